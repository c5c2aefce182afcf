# The program run end to end on databases written at test time.
if(TARGET varnex2007 AND TARGET varnex_mkdb AND NOT WIN32)
  varnex_test_suite(program LIBS varnex_mkdb
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Harness.cpp ${CMAKE_CURRENT_LIST_DIR}/Fixtures.cpp)
  target_compile_definitions(program_tests PRIVATE VARNEX_PROGRAM="$<TARGET_FILE:varnex2007>"
    VARNEX_JET_PROGRAM="$<TARGET_FILE:varnex>")
  add_dependencies(program_tests varnex2007 varnex)
endif()
