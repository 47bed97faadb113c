# rx47_layer(TARGET DIR... [EXCLUDE FILE...] LINKS LIB...): a static library of the sources in the
# given folders (picked up per folder, so adding a file needs no edit here), with moc run for its
# own QObject classes. Every target includes from the source root: "hid/HidEvents.h".
function(rx47_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 layer "" "" "EXCLUDE;LINKS")
    set(sources)
    foreach(dir IN LISTS layer_UNPARSED_ARGUMENTS)
        file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp
             ${PROJECT_SOURCE_DIR}/${dir}/*.h)
        foreach(excluded IN LISTS layer_EXCLUDE)
            list(FILTER dir_sources EXCLUDE REGEX "/${dir}/${excluded}$")
        endforeach()
        list(APPEND sources ${dir_sources})
    endforeach()
    add_library(${target} STATIC ${sources})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${layer_LINKS})
    rx47_set_warnings(${target})
endfunction()
