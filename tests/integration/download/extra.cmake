# The downloads through the bundled site scripts use the fixture video site of the site script
# tests, and the scripts.qrs and language files the build puts into the resource folder.
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/sitescripts/FixtureSite.cpp)
if(TARGET talvex_sitescripts)
  add_dependencies(${target} talvex_sitescripts)
endif()
if(TARGET talvex_lang)
  add_dependencies(${target} talvex_lang)
endif()
