# Cross-build for Windows (x86_64) with MinGW-w64 from a Debian host.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNEX_MINGW_PREFIX x86_64-w64-mingw32)
set(VARNEX_MINGW_WINE_NAMES wine64 wine)
set(VARNEX_MINGW_SHARED_LINKER_EXTRA "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
