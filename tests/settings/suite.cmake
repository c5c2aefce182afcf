# The option parser and the saved settings run everywhere; the tests of the
# POSIX stand-ins for the profile and registry functions (posix/) only where
# those are built; the Win32 functions are checked by tests/win32. On Windows
# the recent lists live in the user's one registry, shared by every test.
set(settings_posix_sources)
if(NOT WIN32)
  file(GLOB settings_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/posix/*_test.cpp")
endif()
varnex_test_suite(settings LOCK user-registry LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp ${settings_posix_sources})
