# --format=sqlite through the program and through the library, for the
# writer-made fixtures and the sample corpus: each SQLite file passes
# SQLite's own checks and every table equals the program's export of it.
find_package(Python3 COMPONENTS Interpreter)
get_property(with_sqlite GLOBAL PROPERTY VARNEX_WITH_SQLITE)
if(with_sqlite AND Python3_FOUND AND TARGET varnex2007 AND TARGET varnex_d2007 AND TARGET varnex-mkdb
   AND NOT CMAKE_CROSSCOMPILING AND NOT CMAKE_CXX_FLAGS MATCHES "fsanitize")
  add_test(NAME sqlite-file-load
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/sqlite_file_load.py
      $<TARGET_FILE:varnex2007> $<TARGET_FILE:varnex-mkdb> ${VARNEX_SHARED_DIR}
      ${PROJECT_SOURCE_DIR}/tests/program/databases/fixtures $<TARGET_FILE:varnex_d2007>)
  set_tests_properties(sqlite-file-load PROPERTIES LABELS databases TIMEOUT 900)
endif()
