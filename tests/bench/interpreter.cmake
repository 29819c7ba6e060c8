# Benchmark of the site script interpreter: statements per second of a loop script, the cost
# of the text functions on a 1 MiB page, with complexity fits that show they stay linear, and
# the run limits (a hostile script refused; the bundled scripts' share of the character limit).
# Included from tests/bench/CMakeLists.txt; run bin/bench_interpreter.
find_package(benchmark REQUIRED)
add_executable(bench_interpreter ${CMAKE_CURRENT_LIST_DIR}/InterpreterBench.cpp)
target_link_libraries(bench_interpreter PRIVATE talvex_core talvex_testsupport
                      benchmark::benchmark)
target_include_directories(bench_interpreter PRIVATE ${CMAKE_SOURCE_DIR}/src
                           ${CMAKE_SOURCE_DIR}/tests)
# The bundled scripts, packed beside the programs.
if(TARGET talvex_sitescripts)
  add_dependencies(bench_interpreter talvex_sitescripts)
endif()
