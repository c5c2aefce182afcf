# The Access reader against the sample databases, damaged copies of them and
# the value decoders. The JSON reader for the expected files comes from mkdb.
set(jet_test_libs varnex_jet)
if(TARGET varnex_mkdb)
  list(APPEND jet_test_libs varnex_mkdb)
endif()
varnex_test_suite(jet LIBS ${jet_test_libs} SOURCES ${PROJECT_SOURCE_DIR}/jet/engines/JetAce.cpp)

# The same path check once more with a single-byte ANSI page, where a path's
# bytes and their UTF-8 form differ (the process page follows LC_ALL).
if(TARGET jet_tests AND NOT WIN32)
  add_test(NAME JetOpen.NonAsciiPathsInASingleBytePage
    COMMAND jet_tests --gtest_filter=JetOpen.NonAsciiPathsReachTheFileSystemUnchanged)
  set_tests_properties(JetOpen.NonAsciiPathsInASingleBytePage PROPERTIES ENVIRONMENT "LC_ALL=de_DE.CP1252")
endif()
