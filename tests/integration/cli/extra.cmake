# Runs the built talvex-cli against the fixture video site; real clips come from the
# conversion tests' helpers.
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/sitescripts/FixtureSite.cpp
  ${CMAKE_SOURCE_DIR}/tests/integration/convert/MediaFixtures.cpp)
add_dependencies(${target} talvex-cli)
target_compile_definitions(${target} PRIVATE TALVEX_CLI_PATH="$<TARGET_FILE:talvex-cli>")
