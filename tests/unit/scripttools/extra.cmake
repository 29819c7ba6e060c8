# The checker and the trace formatting of talvex-scripts, called directly.
target_link_libraries(${target} PRIVATE talvex_scripttools)
