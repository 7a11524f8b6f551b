# Delay-load import libraries: a system DLL named here is loaded at the first call into it, not when the
# process starts. Most starts never show a window, post a thread message or open the shell's folder
# browser, so user32, gdi32, shell32, ole32 and comctl32 (and what they pull in) stay unloaded. The
# manifest's activation context is the process's from the start, so a late comctl32 is still version 6
# and the DPI awareness it declares still holds.
#
# qx_delay_load_library(<dll stem>) makes the target qx_delay_<stem>: an import library built by
# dlltool from every export the toolchain's own import library lists, resolved through the delay-load
# helper of the mingw-w64 runtime.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 OR QX_ARM64)
    # The 32-bit companion imports them as usual: the i386 linker of binutils 2.40 drops the thunks of
    # dlltool's delay-import libraries, so the first call into user32 jumped to address 0. So do the
    # ARM64 launchers: Zig 0.11's linker refuses every delay-load argument, and llvm-dlltool 14 makes
    # no delay-import library.
    function(qx_delay_load_library stem)
        add_library(qx_delay_${stem} INTERFACE)
        target_link_libraries(qx_delay_${stem} INTERFACE ${stem})
    endfunction()
    return()
endif()

find_program(QX_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool x86_64-w64-mingw32-dlltool REQUIRED)
find_program(QX_NM NAMES ${TOOLCHAIN_PREFIX}-nm x86_64-w64-mingw32-nm REQUIRED)

function(qx_delay_load_library stem)
    find_library(QX_IMPORT_LIB_${stem} NAMES lib${stem}.a REQUIRED)
    set(dir ${CMAKE_BINARY_DIR}/delay_load)
    set(def ${dir}/${stem}.def)
    set(lib ${dir}/lib${stem}_delay.a)
    add_custom_command(
        OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_COMMAND} -DNM=${QX_NM} -DIMPORT_LIB=${QX_IMPORT_LIB_${stem}} -DDLL=${stem}.dll
                -DDEF=${def} -P ${CMAKE_SOURCE_DIR}/cmake/delay_load_def.cmake
        COMMAND ${QX_DLLTOOL} --input-def ${def} --dllname ${stem}.dll --output-delaylib ${lib}
        DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay_load_def.cmake
        COMMENT "Delay-load import library for ${stem}.dll" VERBATIM)
    add_custom_target(qx_delay_${stem}_lib DEPENDS ${lib})
    add_library(qx_delay_${stem} INTERFACE)
    add_dependencies(qx_delay_${stem} qx_delay_${stem}_lib)
    # The helper that resolves the imports at the first call.
    target_link_libraries(qx_delay_${stem} INTERFACE ${lib} delayimp)
endfunction()
