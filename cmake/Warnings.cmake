# Warnings, debug information, sanitizers and the linker, applied to every target of the project.

# Line tables are enough for sanitizer reports and stack traces, and compile and link much faster
# than full debug information; CI builds with them.
option(RX47_LINE_TABLES_ONLY "Lighter debug information (-g1): line tables, no variables" OFF)
if(RX47_LINE_TABLES_ONLY)
    set(rx47_debug_info -g1)
else()
    set(rx47_debug_info -g)
endif()

if(RX47_SANITIZE)
    add_compile_options(-fsanitize=${RX47_SANITIZE} -fno-omit-frame-pointer ${rx47_debug_info})
    add_link_options(-fsanitize=${RX47_SANITIZE})
    if(RX47_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()
if(RX47_LINE_TABLES_ONLY)
    # After the build type's own -g, which the last level given overrides.
    add_compile_options(-g1)
endif()

# lld links the test programs (static libraries, Qt, debug information) several times faster than
# the default linker; both GCC and clang take it.
option(RX47_USE_LLD "Link with lld when it is installed" ON)
if(RX47_USE_LLD)
    include(CheckLinkerFlag)
    check_linker_flag(CXX -fuse-ld=lld rx47_have_lld)
    if(rx47_have_lld)
        add_link_options(-fuse-ld=lld)
    endif()
endif()

function(rx47_set_warnings target)
    # GCC's local-only shadow check has no clang spelling; clang's -Wshadow is the nearest.
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                                             $<IF:$<CXX_COMPILER_ID:GNU>,-Wshadow=local,-Wshadow>
                                             -Wnon-virtual-dtor -Woverloaded-virtual)
    # GCC 12 reports std::optional<QString> moved out of a container as "maybe uninitialized" at
    # -O2; the sanitizer builds and -Wuninitialized still catch real uses of unset values.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
    if(RX47_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
