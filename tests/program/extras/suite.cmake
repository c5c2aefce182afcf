# The program's command-line additions (progress line, standard output,
# table listing) over the in-memory databases, without the real reader.
varnex_test_suite(program/extras LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/tests/support/engine/MemoryEngineFactory.cpp
          ${PROJECT_SOURCE_DIR}/wizard/TerminalProgress.cpp
          ${PROJECT_SOURCE_DIR}/wizard/ProgramExtras.cpp
          ${PROJECT_SOURCE_DIR}/wizard/ProgramName.cpp)

