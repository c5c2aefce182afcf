# Formats every manual page with all of groff's warnings on and fails on any
# warning. cmake -DGROFF=/usr/bin/groff -DROOT=<source tree> -P man-pages.cmake
file(GLOB pages "${ROOT}/man/*.[1-9]")
if(NOT pages)
  message(FATAL_ERROR "no manual pages under ${ROOT}/man")
endif()
foreach(page IN LISTS pages)
  execute_process(COMMAND "${GROFF}" -ww -man -z "${page}"
    RESULT_VARIABLE result ERROR_VARIABLE warnings OUTPUT_QUIET)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page}: ${warnings}")
  endif()
endforeach()
