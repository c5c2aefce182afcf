# The SQL the program writes, loaded into SQLite, PostgreSQL and MariaDB
# (servers started by the test on sockets in a scratch folder) and compared
# table by table with the program's own export. A server that cannot start
# is skipped with a message; run alone with `ctest -L databases`.
find_package(Python3 COMPONENTS Interpreter)
# Once per CI run is enough: the sanitizer builds leave it out.
if(Python3_FOUND AND TARGET varnex2007 AND TARGET varnex-mkdb AND NOT CMAKE_CROSSCOMPILING
   AND NOT CMAKE_CXX_FLAGS MATCHES "fsanitize")
  add_test(NAME databases-load
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/load_into_databases.py
      $<TARGET_FILE:varnex2007> $<TARGET_FILE:varnex-mkdb> ${VARNEX_SHARED_DIR} ${CMAKE_CURRENT_LIST_DIR}/fixtures)
  set_tests_properties(databases-load PROPERTIES LABELS databases SKIP_RETURN_CODE 77 TIMEOUT 900)
endif()
