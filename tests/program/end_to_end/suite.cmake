# The program run end to end on databases written at test time.
if(TARGET varnex2007 AND TARGET varnex_mkdb AND NOT WIN32)
  varnex_test_suite(program/end_to_end LIBS varnex_mkdb
    SOURCES ${PROJECT_SOURCE_DIR}/tests/support/program/Harness.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/program/Fixtures.cpp)
  target_compile_definitions(program_end_to_end_tests PRIVATE VARNEX_PROGRAM="$<TARGET_FILE:varnex2007>"
    VARNEX_JET_PROGRAM="$<TARGET_FILE:varnex>")
  add_dependencies(program_end_to_end_tests varnex2007 varnex)
endif()
