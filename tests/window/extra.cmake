# The window tests also run the built rx47 as a subprocess (its command line needs no display).
if(TARGET test_window AND TARGET rx47)
    target_compile_definitions(test_window PRIVATE RX47_WINDOW_PATH="$<TARGET_FILE:rx47>")
    add_dependencies(test_window rx47)
endif()
