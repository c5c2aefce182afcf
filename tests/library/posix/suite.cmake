# The library as other programs use it: a C program loads it with dlopen.
if(TARGET varnex_d2007 AND TARGET varnex_mkdb AND NOT WIN32)
  find_package(Threads REQUIRED)
  add_executable(library_dlopen_check ${CMAKE_CURRENT_LIST_DIR}/dlopen_check.c)
  target_include_directories(library_dlopen_check PRIVATE ${PROJECT_SOURCE_DIR}/library)
  target_compile_definitions(library_dlopen_check PRIVATE _POSIX_C_SOURCE=200809L)
  set_target_properties(library_dlopen_check PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON)
  target_link_libraries(library_dlopen_check PRIVATE ${CMAKE_DL_LIBS} Threads::Threads)

  varnex_test_suite(library/posix LIBS varnex_mkdb
    SOURCES ${PROJECT_SOURCE_DIR}/tests/support/program/Harness.cpp
            ${PROJECT_SOURCE_DIR}/tests/support/program/Fixtures.cpp)
  target_compile_definitions(library_posix_tests PRIVATE
    VARNEX_LIBRARY="$<TARGET_FILE:varnex_d2007>"
    VARNEX_DLOPEN_CHECK="$<TARGET_FILE:library_dlopen_check>")
  add_dependencies(library_posix_tests varnex_d2007 library_dlopen_check)

  # The check is C that other people compile with their own flags: an
  # optimised sanitizer build must not warn either.
  if(CMAKE_C_COMPILER_ID MATCHES "GNU|Clang")
    add_test(NAME library_dlopen_check_optimised_warnings
      COMMAND ${CMAKE_C_COMPILER} -std=c99 -D_POSIX_C_SOURCE=200809L -O3
        -fsanitize=address,undefined -Wall -Wextra -Werror
        -I${PROJECT_SOURCE_DIR}/library -c ${CMAKE_CURRENT_LIST_DIR}/dlopen_check.c
        -o ${CMAKE_CURRENT_BINARY_DIR}/dlopen_check_optimised.o)
  endif()
endif()
