# Benchmark of long lists on the command line's path: queueing N items and driving them to
# their end, without the network. Included from tests/bench/CMakeLists.txt. Run
# bin/queue_scaling_bench [N...].
add_executable(queue_scaling_bench ${CMAKE_CURRENT_LIST_DIR}/queue-scaling-bench.cpp)
target_link_libraries(queue_scaling_bench PRIVATE talvex_cli talvex_testsupport)
target_include_directories(queue_scaling_bench PRIVATE ${CMAKE_SOURCE_DIR}/src
                           ${CMAKE_SOURCE_DIR}/tests)
