# What the wizard's pages decide, natively on every platform: the pages run
# against recording stand-ins for their controls and the property sheet, on
# the in-memory databases of tests/support. The recent lists live in the
# user's one registry on Windows.
file(GLOB wizard_page_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/wizard/pages/*.cpp")
varnex_test_suite(wizard LOCK user-registry LIBS varnex_engine varnex_platform
  SOURCES ${wizard_page_sources} ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp
          ${PROJECT_SOURCE_DIR}/tests/engine/MemoryEngineFactory.cpp)
