# The POSIX stand-ins for the message box and the application-data folder
# are checked only where they are built.
set(cells_posix_sources)
if(NOT WIN32)
  file(GLOB cells_posix_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/posix/*.cpp")
endif()
varnex_test_suite(engine/cells LIBS varnex_engine varnex_platform SOURCES ${cells_posix_sources})
# The table writer's passes over stored texts copy the Latin-1 letters a
# Windows-1252 page keeps as they are: its equivalence to the one-cell
# procedure is checked under such a page too.
if(TARGET engine_cells_tests AND NOT WIN32)
  add_test(NAME CellTest.TableWriterUnderAnAnsiPage COMMAND engine_cells_tests
           --gtest_filter=CellTest.TableWriter*:CellTest.TextKeeps*)
  set_tests_properties(CellTest.TableWriterUnderAnAnsiPage PROPERTIES ENVIRONMENT "VARNEX_CELLS_LOCALE=de_DE.CP1252")
endif()
