# The tests run the packer as a separate process; the runs go through the fixture video site of
# the site script tests, with the language files the build puts into the resource folder.
add_dependencies(${target} talvex-scripts)
target_sources(${target} PRIVATE
  ${CMAKE_SOURCE_DIR}/tests/integration/sitescripts/FixtureSite.cpp)
target_link_libraries(${target} PRIVATE talvex_scripttools)
foreach(resource talvex_sitescripts talvex_lang)
  if(TARGET ${resource})
    add_dependencies(${target} ${resource})
  endif()
endforeach()
