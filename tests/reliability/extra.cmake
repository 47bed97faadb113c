# The soak runs a simulated day: it runs as its own test labelled slow, so that the normal stage
# runs it and the sanitizer stage (ctest -LE slow) leaves it out. Discovered with the rest of the
# area, it skips itself unless RX47_SOAK is set.
add_test(NAME reliability.Soak COMMAND test_reliability --gtest_filter=SoakTest.*)
set_tests_properties(reliability.Soak PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RX47_SOAK=1" LABELS "reliability;slow" TIMEOUT 600)
