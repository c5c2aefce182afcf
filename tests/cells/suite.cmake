# The POSIX stand-ins for the message box and the application-data folder
# are checked only where they are built.
set(cells_posix_sources)
if(NOT WIN32)
  file(GLOB cells_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/cells/posix/*.cpp")
endif()
varnex_test_suite(cells LIBS varnex_engine varnex_platform SOURCES ${cells_posix_sources})
