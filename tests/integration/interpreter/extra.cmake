# Some tests run the built talvex-cli with script files of their own.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/integration/cli/CliProcess.cpp)
add_dependencies(${target} talvex-cli)
target_compile_definitions(${target} PRIVATE TALVEX_CLI_PATH="$<TARGET_FILE:talvex-cli>")
