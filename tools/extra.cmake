# The script file packer; the build also uses it to make the seed script file (data/).
add_executable(talvex-scripts ${CMAKE_CURRENT_LIST_DIR}/scripts_tool_main.cpp)
target_link_libraries(talvex-scripts PRIVATE talvex_scripts)
