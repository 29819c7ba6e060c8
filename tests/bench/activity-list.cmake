# Benchmark of the Activity list: one refresh tick and one sort over 1,000 items, offscreen.
# Included from tests/bench/CMakeLists.txt; built only with the user interface. Run
# bin/activity_list_bench [ITEMS] [TICKS].
if(TARGET talvex_ui)
  add_executable(activity_list_bench ${CMAKE_CURRENT_LIST_DIR}/activity-list-bench.cpp)
  target_link_libraries(activity_list_bench PRIVATE talvex_ui)
  target_include_directories(activity_list_bench PRIVATE ${CMAKE_SOURCE_DIR}/src
                             ${CMAKE_SOURCE_DIR}/tests)
endif()
