# The wizard under a window system: a driver starts the program and walks its
# pages from outside. It needs a display, so ctest does not run it;
# tools/windows-ci runs it under Wine with a virtual X server and saves
# screenshots of every page.
if(WIN32 AND TARGET varnex2007 AND TARGET varnex AND TARGET varnex_mkdb)
  file(GLOB win32_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/*.cpp")
  add_executable(wizard_win32_tests ${win32_sources} ${PROJECT_SOURCE_DIR}/tests/support/program/Fixtures.cpp)
  target_include_directories(wizard_win32_tests PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(wizard_win32_tests PRIVATE varnex_mkdb GTest::gtest_main comctl32)
  target_compile_definitions(wizard_win32_tests PRIVATE
    VARNEX_WIZARD_PROGRAM="$<TARGET_FILE:varnex2007>"
    VARNEX_WIZARD_JET_PROGRAM="$<TARGET_FILE:varnex>"
    VARNEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(wizard_win32_tests varnex2007 varnex)
endif()
