# The settings file is JSON: typed values (a string is not a number) in a readable file.
find_package(nlohmann_json 3 REQUIRED)
target_link_libraries(talvex_${name} PUBLIC nlohmann_json::nlohmann_json)
