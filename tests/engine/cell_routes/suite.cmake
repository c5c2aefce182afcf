# Cells of generated tables read through the real reader and written by the
# table cell writer, with its shortcuts, and by the one-cell procedure: the
# same bytes under every setting, in three locales (the number, date and
# ANSI forms follow the process's, fixed at its first conversion).
if(TARGET varnex_mkdb)
  varnex_test_suite(engine/cell_routes LIBS varnex_engine varnex_jet varnex_platform varnex_mkdb
    SOURCES ${PROJECT_SOURCE_DIR}/jet/engines/JetAce.cpp)
  if(TARGET engine_cell_routes_tests AND NOT WIN32)
    foreach(locale de_DE.UTF-8 de_DE.CP1252)
      add_test(NAME CellRoutes.GeneratedTablesIn_${locale} COMMAND engine_cell_routes_tests)
      set_tests_properties(CellRoutes.GeneratedTablesIn_${locale} PROPERTIES ENVIRONMENT "LC_ALL=${locale}")
    endforeach()
  endif()
endif()
