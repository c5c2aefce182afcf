# Checks of the Win32 implementation of the platform layer; they run on
# Windows or under Wine.
if(WIN32)
  varnex_test_suite(platform/win32 LIBS varnex_platform)
endif()
