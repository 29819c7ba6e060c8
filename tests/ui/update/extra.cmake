# The update check reads the notifier page that comes with the program and loads its seed
# script file: both must be in the resource folder before the tests run.
foreach(resource talvex_pages talvex_sitescripts)
  if(TARGET ${resource})
    add_dependencies(${target} ${resource})
  endif()
endforeach()
