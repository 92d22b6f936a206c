# Compiling interface descriptions into type libraries with widl. widl is a
# host tool, so the native and the Windows build both make the same bytes.
# WIDL_TIME_OVERRIDE keeps its time stamp out, so rebuilds are reproducible.
#
# A 64-bit Windows module carries a SYS_WIN64 library, whose vtable offsets
# count 8-byte slots; the 32-bit module and the native build carry the
# SYS_WIN32 one. KORVEL_TYPELIB_SYSKIND (win32 or win64) says which, also
# to the tests (as the SYSKIND constant KORVEL_TYPELIB_SYSKIND_VALUE).

find_program(KORVEL_WIDL_EXECUTABLE NAMES i686-w64-mingw32-widl widl REQUIRED)
find_path(KORVEL_WIDL_INCLUDE_DIR oaidl.idl
  PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(KORVEL_STDOLE2_DIR stdole2.tlb
  PATHS /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows
        /usr/lib/i386-linux-gnu/wine /usr/lib/wine
        /usr/lib/x86_64-linux-gnu/wine/x86_64-windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVEL_TYPELIB_SYSKIND win64)
  set(KORVEL_TYPELIB_SYSKIND_VALUE SYS_WIN64)
else()
  set(KORVEL_TYPELIB_SYSKIND win32)
  set(KORVEL_TYPELIB_SYSKIND_VALUE SYS_WIN32)
endif()

# korvel_compile_type_library(<target> <idl> <output .tlb>): a target that
# builds the type library <output> from <idl> for KORVEL_TYPELIB_SYSKIND.
function(korvel_compile_type_library target idl output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E env WIDL_TIME_OVERRIDE=0
            ${KORVEL_WIDL_EXECUTABLE} --${KORVEL_TYPELIB_SYSKIND} -t
            -I${KORVEL_WIDL_INCLUDE_DIR} -L${KORVEL_STDOLE2_DIR}
            -o ${output} ${idl}
    DEPENDS ${idl}
    COMMENT "Compiling type library ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
  set_target_properties(${target} PROPERTIES TYPELIB_FILE ${output})
endfunction()
