# The Access reader against the sample databases, damaged copies of them and
# the value decoders. The JSON reader for the expected files comes from mkdb.
set(jet_test_libs varnex_jet)
if(TARGET varnex_mkdb)
  list(APPEND jet_test_libs varnex_mkdb)
endif()
varnex_test_suite(jet LIBS ${jet_test_libs} SOURCES ${PROJECT_SOURCE_DIR}/jet/engines/JetAce.cpp)
