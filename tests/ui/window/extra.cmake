# The whole window against the fixture video site, and the real program for the hand-over
# between two starts and for a stop by signal.
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/sitescripts/FixtureSite.cpp)
add_dependencies(${target} talvex)
target_compile_definitions(${target} PRIVATE TALVEX_GUI_PATH="$<TARGET_FILE:talvex>")
