# One libFuzzer target per tests/fuzz/*_fuzz.cpp, built with ASan and UBSan over an instrumented copy
# of the pure logic. Every sanitizer report aborts, so scripts/fuzz fails on it.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QX_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
set(QX_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)

add_library(qx_pure_fuzz STATIC ${QX_PURE_SOURCES})
target_include_directories(qx_pure_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(qx_pure_fuzz PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers
                                            -fsanitize=fuzzer-no-link ${QX_FUZZ_FLAGS})

file(GLOB QX_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(src ${QX_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -Wall -Wextra -Werror -fsanitize=fuzzer ${QX_FUZZ_FLAGS})
    target_link_options(${name} PRIVATE -fuse-ld=lld -fsanitize=fuzzer ${QX_FUZZ_FLAGS})
    target_link_libraries(${name} PRIVATE qx_pure_fuzz)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/targets)
endforeach()
