find_package(CURL REQUIRED)
target_link_libraries(talvex_${name} PUBLIC CURL::libcurl)
