# The cli tests also run the built rx47-cli as a subprocess.
if(TARGET test_cli AND TARGET rx47-cli)
    target_compile_definitions(test_cli PRIVATE RX47_CLI_PATH="$<TARGET_FILE:rx47-cli>")
    add_dependencies(test_cli rx47-cli)
endif()
