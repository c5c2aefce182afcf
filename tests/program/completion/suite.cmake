# The bash completion, sourced into a bash started by the test, completing
# against the built program and a database written by the fixture writer.
find_program(VARNEX_BASH bash)
if(VARNEX_BASH AND TARGET varnex2007 AND TARGET varnex-mkdb AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME shell-completion
    COMMAND ${VARNEX_BASH} --norc --noprofile ${CMAKE_CURRENT_LIST_DIR}/completion_test.sh
      ${PROJECT_SOURCE_DIR}/wizard/completion/varnex.bash $<TARGET_FILE:varnex2007> $<TARGET_FILE:varnex-mkdb>)
  set_tests_properties(shell-completion PROPERTIES TIMEOUT 120)
endif()
