# The reader's libFuzzer target, built only with VARNEX_FUZZ=ON and clang
# (tools/fuzz-ci configures such a build).
if(VARNEX_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(jet_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/jet_fuzz.cpp ${PROJECT_SOURCE_DIR}/jet/engines/JetAce.cpp)
  target_link_libraries(jet_fuzz PRIVATE varnex_jet)
  target_link_options(jet_fuzz PRIVATE -fsanitize=fuzzer)
  if(TARGET varnex_mkdb)
    add_executable(jet_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/jet_fuzz_seeds.cpp)
    target_link_libraries(jet_fuzz_seeds PRIVATE varnex_mkdb)
  endif()
endif()
