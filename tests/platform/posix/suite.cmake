# The POSIX stand-ins (code pages, locale, value text, the profile and
# registry functions) checked directly; the Win32 side is checked by
# tests/platform/win32.
if(NOT WIN32)
  varnex_test_suite(platform/posix LIBS varnex_platform)
endif()
