target_link_libraries(${target} PRIVATE talvex_cli)
