# Packs the site script sources (every file in sitescripts/, in name order) into the seed script
# file "scripts.qrs" in the resource folder, from which a fresh installation's data folder is
# seeded.
if(TARGET talvex-scripts)
  file(GLOB TALVEX_SITESCRIPT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/sitescripts/*)
  list(SORT TALVEX_SITESCRIPT_SOURCES)
  set(TALVEX_SEED_SCRIPT_FILE ${TALVEX_RESOURCE_DIR}/scripts.qrs)
  add_custom_command(
    OUTPUT ${TALVEX_SEED_SCRIPT_FILE}
    COMMAND talvex-scripts pack --version 1.0 -o ${TALVEX_SEED_SCRIPT_FILE}
            ${TALVEX_SITESCRIPT_SOURCES}
    DEPENDS talvex-scripts ${TALVEX_SITESCRIPT_SOURCES}
    COMMENT "Packing the site scripts into scripts.qrs"
    VERBATIM)
  add_custom_target(talvex_sitescripts ALL DEPENDS ${TALVEX_SEED_SCRIPT_FILE})
endif()
