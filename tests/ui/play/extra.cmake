# Real clips made by the encoder.
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/convert/MediaFixtures.cpp)
# The page in a process of its own, for runs with the multimedia plug-ins taken away (the back
# end is chosen once per process).
add_executable(ui_play_probe ${CMAKE_SOURCE_DIR}/tests/ui/play/probe/PlayPageProbe.cpp)
set_target_properties(ui_play_probe PROPERTIES AUTOMOC ON)
target_include_directories(ui_play_probe PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(ui_play_probe PRIVATE talvex_ui talvex_testsupport Qt6::Test)
add_dependencies(${target} ui_play_probe)
target_compile_definitions(${target} PRIVATE TALVEX_PLAY_PROBE="$<TARGET_FILE:ui_play_probe>")
