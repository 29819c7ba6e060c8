# The site script author's tool: talvex-scripts (pack, check, run, unpack, verify). Everything
# but main() is the library talvex_scripttools, so that the tests can call the checker and the
# tracing runner. The build also uses the tool to make the seed script file (data/).
file(GLOB TALVEX_SCRIPTTOOLS_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/scripttools/*.cpp)
add_library(talvex_scripttools STATIC ${TALVEX_SCRIPTTOOLS_SOURCES})
target_include_directories(talvex_scripttools PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# run answers a login on the terminal as talvex-cli does, and knows list addresses as the engine
# does.
target_link_libraries(talvex_scripttools PUBLIC talvex_scripts talvex_engine talvex_cli)

add_executable(talvex-scripts ${CMAKE_CURRENT_LIST_DIR}/scripts_tool_main.cpp)
target_link_libraries(talvex-scripts PRIVATE talvex_scripttools)
