# Warnings and sanitizers, applied to every target of the project.
if(RX47_SANITIZE)
    add_compile_options(-fsanitize=${RX47_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${RX47_SANITIZE})
    if(RX47_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
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
