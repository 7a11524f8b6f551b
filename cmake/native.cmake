# The build machine's own build of the pure logic: the same sources as in the launcher, compiled by the
# host compiler, so that a Windows header or call slipping into them fails here.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

list(TRANSFORM QX_PURE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_library(qx_pure STATIC ${QX_PURE_SOURCES})
target_include_directories(qx_pure PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(qx_pure PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)

# Fuzz targets: one libFuzzer program per parser, with the pure logic instrumented alike. Needs clang
# (CMAKE_CXX_COMPILER=clang++); scripts/fuzz configures it in build/fuzz.
option(QX_FUZZ "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(QX_FUZZ)
    include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)
endif()
