# Stand-in libudev libraries for the binding tests: one with every entry point the backend binds,
# one lacking a single one of them.
set(standin_source ${CMAKE_CURRENT_LIST_DIR}/standin/udev_standin.c)
add_library(rx47_udev_standin SHARED ${standin_source})
add_library(rx47_udev_standin_partial SHARED ${standin_source})
target_compile_definitions(rx47_udev_standin_partial PRIVATE RX47_STANDIN_WITHOUT_MONITOR_RECEIVE)
add_dependencies(test_hidlinux rx47_udev_standin rx47_udev_standin_partial)
target_compile_definitions(test_hidlinux PRIVATE
    RX47_UDEV_STANDIN="$<TARGET_FILE:rx47_udev_standin>"
    RX47_UDEV_STANDIN_PARTIAL="$<TARGET_FILE:rx47_udev_standin_partial>"
    RX47_UDEV_MISSING="${CMAKE_CURRENT_BINARY_DIR}/no-such-libudev.so")
