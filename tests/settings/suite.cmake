varnex_test_suite(settings LIBS varnex_engine varnex_platform SOURCES ${PROJECT_SOURCE_DIR}/wizard/SavedSettings.cpp)
