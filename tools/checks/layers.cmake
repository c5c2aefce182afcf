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
if(bad)
  message(FATAL_ERROR "Includes against the layering:\n${bad}")
endif()
