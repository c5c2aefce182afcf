# The program's command-line additions (progress line, standard output,
# table listing) over the in-memory databases, without the real reader.
varnex_test_suite(console LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/tests/engine/MemoryEngineFactory.cpp
          ${PROJECT_SOURCE_DIR}/wizard/TerminalProgress.cpp
          ${PROJECT_SOURCE_DIR}/wizard/StandardOutput.cpp
          ${PROJECT_SOURCE_DIR}/wizard/ProgramExtras.cpp)
