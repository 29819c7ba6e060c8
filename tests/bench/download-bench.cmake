# The download benchmark's driver (run by download-bench.sh, never by ctest).
add_executable(download_bench ${CMAKE_CURRENT_LIST_DIR}/download-bench.cpp)
target_link_libraries(download_bench PRIVATE talvex_core)
target_include_directories(download_bench PRIVATE ${CMAKE_SOURCE_DIR}/src
                           ${CMAKE_SOURCE_DIR}/tests)
