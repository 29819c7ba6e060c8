# The conversion overhead benchmark's driver, run by tests/bench/convert-overhead.sh.
add_executable(convert_overhead ${CMAKE_SOURCE_DIR}/tests/bench/convert-overhead.cpp)
target_link_libraries(convert_overhead PRIVATE talvex_core)
