# The POSIX stand-ins for the message box and the application-data folder
# are checked only where they are built.
set(cells_posix_sources)
if(NOT WIN32)
  file(GLOB cells_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/posix/*.cpp")
endif()
varnex_test_suite(engine/cells LIBS varnex_engine varnex_platform SOURCES ${cells_posix_sources})
