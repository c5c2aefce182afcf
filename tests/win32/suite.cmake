# Checks of the Win32 implementation of the platform layer and of the
# library as a Windows program loads it; they run on Windows or under Wine.
if(WIN32)
  varnex_test_suite(win32 LIBS varnex_platform)
  if(TARGET win32_tests AND TARGET varnex_d2007)
    target_compile_definitions(win32_tests PRIVATE VARNEX_WIN32_LIBRARY="$<TARGET_FILE:varnex_d2007>")
    add_dependencies(win32_tests varnex_d2007)
  endif()
endif()
