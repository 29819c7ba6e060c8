# The tests run the bundled scripts as the build packs them into the resource folder, with the
# language files the build copies there.
if(TARGET talvex_sitescripts)
  add_dependencies(${target} talvex_sitescripts)
endif()
if(TARGET talvex_lang)
  add_dependencies(${target} talvex_lang)
endif()
