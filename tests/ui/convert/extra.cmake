# Real clips made by the encoder and read back with ffprobe, shared with the conversion tests.
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/convert/MediaFixtures.cpp)
