# A small front end that starts like the program does, so that the tests can run first and
# second instances as real processes.
add_executable(talvex_instance_helper ${CMAKE_CURRENT_LIST_DIR}/helper/InstanceHelper.cpp)
target_link_libraries(talvex_instance_helper PRIVATE talvex_core)
add_dependencies(${target} talvex_instance_helper)
