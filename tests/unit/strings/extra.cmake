# The language file tests read the installed copies in the resource folder too.
if(TARGET talvex_lang)
  add_dependencies(${target} talvex_lang)
endif()
