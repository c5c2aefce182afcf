# These suites check the POSIX stand-ins (code pages, locale, value text)
# directly; the Win32 side is checked by tests/win32.
if(NOT WIN32)
  varnex_test_suite(platform LIBS varnex_platform)
endif()
