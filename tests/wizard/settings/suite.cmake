# The saved settings: the recent lists and choices kept between runs. On
# Windows they live in the user's one registry, shared by every test.
varnex_test_suite(wizard/settings LOCK user-registry LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp)
