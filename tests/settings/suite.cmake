# These tests check the POSIX stand-ins for the profile and registry
# functions (and set variables with setenv), so they are built where those
# stand-ins are; the Win32 functions are checked by tests/win32.
if(NOT WIN32)
  varnex_test_suite(settings LIBS varnex_engine varnex_platform SOURCES ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp)
endif()
