# The engine's tests open the in-memory databases of tests/support through
# their own engine factory, so the real reader is not linked here. Tests of
# the POSIX file matching, and of failures that would raise a real message
# box elsewhere, run only on POSIX.
set(engine_posix_sources)
if(NOT WIN32)
  file(GLOB engine_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/posix/*_test.cpp")
endif()
# The SQLite file is read back with SQLite itself, where the build has it.
set(engine_sqlite_sources)
get_property(with_sqlite GLOBAL PROPERTY VARNEX_WITH_SQLITE)
if(with_sqlite)
  set(engine_sqlite_sources ${CMAKE_CURRENT_LIST_DIR}/sqlite/sqlite_file_test.cpp)
endif()
varnex_test_suite(engine/conversion LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/tests/support/engine/MemoryEngineFactory.cpp ${engine_posix_sources} ${engine_sqlite_sources})
