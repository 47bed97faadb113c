# The soak runs a simulated day: it runs as its own test labelled slow, so that the normal stage
# runs it and the sanitizer stage (ctest -LE slow) leaves it out. Discovered with the rest of the
# area, it skips itself unless RX47_SOAK is set.
add_test(NAME reliability.Soak COMMAND test_reliability --gtest_filter=SoakTest.*)
set_tests_properties(reliability.Soak PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RX47_SOAK=1" LABELS "reliability;slow" TIMEOUT 600)

# The journal's kill test: the window is killed with SIGKILL 200 times while recording; every
# record it had shown must come back. Slow, so it runs as its own entry outside the sanitizers.
add_test(NAME reliability.JournalKill COMMAND test_reliability --gtest_filter=JournalKill.*)
set_tests_properties(reliability.JournalKill PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RX47_KILL_TEST=1" LABELS "reliability;slow" TIMEOUT 900)
