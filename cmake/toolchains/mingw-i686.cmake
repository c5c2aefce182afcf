# Cross-build for Windows (i686) with MinGW-w64 from a Debian host.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VARNEX_MINGW_PREFIX i686-w64-mingw32)
set(VARNEX_MINGW_WINE_NAMES wine wine64)
# The export list names the __stdcall functions without their "@bytes"
# suffix, which is how Windows callers look them up; the fix-up is intended.
set(VARNEX_MINGW_SHARED_LINKER_EXTRA "-Wl,--enable-stdcall-fixup")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
