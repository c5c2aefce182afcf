# What the wizard's pages decide, natively on every platform: the pages run
# against recording stand-ins for their controls and the property sheet, on
# the in-memory databases of tests/support. The recent lists live in the
# user's one registry on Windows. Runs with failures that would raise a real
# message box elsewhere are tested only on POSIX (posix/).
file(GLOB wizard_page_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/wizard/pages/*.cpp")
set(wizard_posix_sources)
if(NOT WIN32)
  file(GLOB wizard_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/posix/*_test.cpp")
endif()
varnex_test_suite(wizard/pages LOCK user-registry LIBS varnex_engine varnex_platform
  SOURCES ${wizard_page_sources} ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp
          ${PROJECT_SOURCE_DIR}/tests/support/engine/MemoryEngineFactory.cpp ${wizard_posix_sources})
