# Cross-build for Windows (i686) with MinGW-w64 from a Debian host.
# The posix-thread compilers are used because the wizard's worker and the
# tests rely on std::thread. Everything is linked statically so that the
# programs and DLLs run under Wine (and on a bare Windows) without the
# MinGW runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VARNEX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${VARNEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${VARNEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
# The export list names the __stdcall functions without their "@bytes"
# suffix, which is how Windows callers look them up; the fix-up is intended.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--enable-stdcall-fixup")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when it is there.
find_program(VARNEX_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VARNEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNEX_WINE})
endif()
