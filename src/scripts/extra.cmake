# libcrypto: MD5 for the script file's digest and the MD5 script function, Blowfish for the
# script file's cipher.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(talvex_${name} PUBLIC OpenSSL::Crypto)
