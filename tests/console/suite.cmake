# The program's command-line additions (progress line, standard output,
# table listing) over the in-memory databases, without the real reader.
varnex_test_suite(console LIBS varnex_engine varnex_platform
  SOURCES ${PROJECT_SOURCE_DIR}/tests/engine/MemoryEngineFactory.cpp
          ${PROJECT_SOURCE_DIR}/wizard/TerminalProgress.cpp
          ${PROJECT_SOURCE_DIR}/wizard/ProgramExtras.cpp
          ${PROJECT_SOURCE_DIR}/wizard/ProgramName.cpp)

# The manual pages pass the formatter's warnings, where there is a formatter.
find_program(VARNEX_GROFF groff)
if(VARNEX_GROFF AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME man-pages COMMAND ${CMAKE_COMMAND} -DGROFF=${VARNEX_GROFF} -DROOT=${PROJECT_SOURCE_DIR}
    -P ${PROJECT_SOURCE_DIR}/tools/checks/man-pages.cmake)
endif()
