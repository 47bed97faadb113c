# Warnings and sanitizers, applied to every target of the project.
if(RX47_SANITIZE)
    add_compile_options(-fsanitize=${RX47_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${RX47_SANITIZE})
    if(RX47_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

function(rx47_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
                                             -Wnon-virtual-dtor -Woverloaded-virtual)
    if(RX47_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
