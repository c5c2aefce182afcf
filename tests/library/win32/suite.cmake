# The library as a Windows program loads it; runs on Windows or under Wine.
if(WIN32 AND TARGET varnex_d2007)
  varnex_test_suite(library/win32 LIBS varnex_platform)
  if(TARGET library_win32_tests)
    target_compile_definitions(library_win32_tests PRIVATE VARNEX_WIN32_LIBRARY="$<TARGET_FILE:varnex_d2007>")
    add_dependencies(library_win32_tests varnex_d2007)
  endif()
endif()
