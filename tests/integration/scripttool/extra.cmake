# The tests run the packer as a separate process.
add_dependencies(${target} talvex-scripts)
