# Cross-compiles for Windows on ARM64 with the Zig toolchain (its clang and lld, mingw-w64's headers and
# C runtime for aarch64, libc++), which scripts/build fetches and names in QX_ZIG. Debian 12 has no
# aarch64 mingw-w64. Makes only the two launchers (CMakeLists.txt stops after them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(QX_ZIG "" CACHE FILEPATH "The zig executable of the Zig 0.11 toolchain")
if(NOT QX_ZIG)
    # try_compile projects see the toolchain file again, without the cache; the variable reaches them.
    set(QX_ZIG "$ENV{QX_ZIG}")
endif()
if(NOT EXISTS "${QX_ZIG}")
    message(FATAL_ERROR "QX_ZIG must name the zig executable (scripts/build fetches it)")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QX_ZIG)

# CMake takes a compiler as one program: small scripts in the build folder put "zig cc" and "zig c++"
# with the target in front of the arguments.
set(QX_ZIG_WRAPPERS "${CMAKE_BINARY_DIR}/zig-wrappers")
function(qx_write_wrapper name text)
    file(WRITE "${QX_ZIG_WRAPPERS}/${name}.tmp" "${text}")
    file(CHMOD "${QX_ZIG_WRAPPERS}/${name}.tmp" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    file(RENAME "${QX_ZIG_WRAPPERS}/${name}.tmp" "${QX_ZIG_WRAPPERS}/${name}")
endfunction()
foreach(tool cc c++)
    qx_write_wrapper(${tool} "#!/bin/sh\nexec \"${QX_ZIG}\" ${tool} -target aarch64-windows-gnu \"$@\"\n")
endforeach()
set(CMAKE_C_COMPILER "${QX_ZIG_WRAPPERS}/cc")
set(CMAKE_CXX_COMPILER "${QX_ZIG_WRAPPERS}/c++")

# Resources: mingw-w64's windres compiles the script to a .res file, which names no machine, and
# llvm-cvtres makes an ARM64 object of it. The script that does both takes windres's arguments, and its
# name makes CMake hand them over as to windres.
find_program(QX_WINDRES NAMES x86_64-w64-mingw32-windres REQUIRED)
find_program(QX_CVTRES NAMES llvm-cvtres llvm-cvtres-14 REQUIRED)
qx_write_wrapper(windres "#!/bin/bash
set -e
args=(\"$@\")
object=\"\${args[-1]}\"
unset 'args[-1]'
for i in \"\${!args[@]}\"; do
    if [ \"\${args[i]}\" = coff ] && [ \"\${args[i-1]}\" = -O ]; then args[i]=res; fi
done
\"${QX_WINDRES}\" \"\${args[@]}\" -o \"$object.res\"
\"${QX_CVTRES}\" /nologo /machine:arm64 /out:\"$object\" \"$object.res\"
rm -f \"$object.res\"
")
set(CMAKE_RC_COMPILER "${QX_ZIG_WRAPPERS}/windres")

# Zig builds its C++ runtime once for each optimisation mode it is linked with (minutes, then cached):
# the launcher's own mode for all of it. Set before CMake's defaults, which add -O3 after them.
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of the ARM64 release build")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of the ARM64 release build")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
