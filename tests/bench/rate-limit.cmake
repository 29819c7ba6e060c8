# Benchmark of the shared download limit: three downloads of four segments each under one limit,
# their total rate over a 10-second window against it. Included from tests/bench/CMakeLists.txt.
# Run bin/rate_limit_bench [LIMIT...].
add_executable(rate_limit_bench ${CMAKE_CURRENT_LIST_DIR}/rate-limit-bench.cpp)
target_link_libraries(rate_limit_bench PRIVATE talvex_core talvex_testsupport)
target_include_directories(rate_limit_bench PRIVATE ${CMAKE_SOURCE_DIR}/src
                           ${CMAKE_SOURCE_DIR}/tests)
