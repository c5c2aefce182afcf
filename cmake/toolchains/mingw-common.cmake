# What the MinGW-w64 cross-builds from a Debian host share; the
# architecture's file sets CMAKE_SYSTEM_PROCESSOR, VARNEX_MINGW_PREFIX, the
# Wine names to try (VARNEX_MINGW_WINE_NAMES) and any extra DLL linker flags
# (VARNEX_MINGW_SHARED_LINKER_EXTRA) before including this.
#
# The posix-thread compilers are used because the wizard's worker and the
# tests rely on std::thread. Everything is linked statically so that the
# programs and DLLs run under Wine (and on a bare Windows) without the
# MinGW runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${VARNEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${VARNEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ ${VARNEX_MINGW_SHARED_LINKER_EXTRA}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when it is there.
find_program(VARNEX_WINE NAMES ${VARNEX_MINGW_WINE_NAMES} PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VARNEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNEX_WINE})
endif()
