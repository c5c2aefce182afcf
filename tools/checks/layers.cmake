cmake_minimum_required(VERSION 3.25)
# Fails when an include runs back up the layers: core sees nothing of ours,
# platform and jet see only core (and jet platform), the engine never sees jet.
# Run as: cmake -DROOT=<source dir> -P layers.cmake
set(rules
  "core|platform/|jet/|engine/|wizard/|library/"
  "platform|jet/|engine/|wizard/|library/"
  "jet|engine/|wizard/|library/"
  "engine|jet/|wizard/|library/")
set(bad "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(POP_FRONT parts folder)
  file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      foreach(forbidden IN LISTS parts)
        if(line MATCHES "\"${forbidden}")
          file(RELATIVE_PATH rel "${ROOT}" "${file}")
          string(APPEND bad "  ${rel}: ${line}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

# Within the engine, a file and its header form one unit; two units that
# include each other's header cannot be understood or tested one at a time.
file(GLOB engine_files "${ROOT}/engine/*.h" "${ROOT}/engine/*.cpp")
set(units "")
foreach(file IN LISTS engine_files)
  get_filename_component(unit "${file}" NAME_WE)
  list(APPEND units "${unit}")
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"engine/[A-Za-z0-9_]+\\.h\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE ".*\"engine/([A-Za-z0-9_]+)\\.h\".*" "\\1" used "${line}")
    if(NOT used STREQUAL unit)
      list(APPEND "uses_${unit}" "${used}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES units)
foreach(unit IN LISTS units)
  foreach(used IN LISTS "uses_${unit}")
    if(unit IN_LIST "uses_${used}" AND unit STRLESS used)
      string(APPEND bad "  engine/${unit} and engine/${used} include each other\n")
    endif()
  endforeach()
endforeach()

if(bad)
  message(FATAL_ERROR "Includes against the layering:\n${bad}")
endif()
