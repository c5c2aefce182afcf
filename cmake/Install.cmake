# What `cmake --install` puts where, and the Debian package made from it.
#
#   bin/                      varnex, varnex2007
#   lib/                      libvarnex_d.so.0.1, libvarnex_d2007.so.0.1 (SONAME .so.0) and .so links
#   include/                  varnex.h
#   lib/pkgconfig/            varnex.pc (the Jet + ACE library), varnex_d.pc (Jet only)
#   lib/cmake/Varnex/         find_package(Varnex): Varnex::varnex_d, Varnex::varnex_d2007, Varnex::Varnex
#   share/man/man1, man3      varnex(1), varnex2007(1), varnex_d(3) and its names
#   share/bash-completion/completions/   varnex, varnex2007
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(WIN32 OR NOT TARGET varnex2007 OR NOT TARGET varnex_d2007)
  return()
endif()

set(VARNEX_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/Varnex")

install(TARGETS varnex varnex2007 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Varnex)
install(TARGETS varnex_d varnex_d2007 EXPORT VarnexTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Varnex NAMELINK_COMPONENT Varnex
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES "${PROJECT_SOURCE_DIR}/library/varnex.h" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Varnex)

# pkg-config: the prefix is worked out from where the file lies, so the same
# file serves a /usr/local install, a package under /usr and a staged tree.
file(RELATIVE_PATH VARNEX_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" VARNEX_PC_TO_PREFIX "${VARNEX_PC_TO_PREFIX}")
foreach(pc IN ITEMS "varnex;varnex_d2007;Jet and ACE files (.mdb, .accdb)" "varnex_d;varnex_d;Jet files (.mdb)")
  list(GET pc 0 VARNEX_PC_NAME)
  list(GET pc 1 VARNEX_PC_LIBRARY)
  list(GET pc 2 VARNEX_PC_FILES)
  configure_file("${PROJECT_SOURCE_DIR}/cmake/varnex.pc.in" "${PROJECT_BINARY_DIR}/pkgconfig/${VARNEX_PC_NAME}.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/${VARNEX_PC_NAME}.pc"
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Varnex)
endforeach()

# The CMake package: imported targets with the header's folder attached.
install(EXPORT VarnexTargets NAMESPACE Varnex:: DESTINATION ${VARNEX_CMAKE_DIR} COMPONENT Varnex)
configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/VarnexConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/VarnexConfig.cmake" INSTALL_DESTINATION ${VARNEX_CMAKE_DIR})
write_basic_package_version_file("${PROJECT_BINARY_DIR}/VarnexConfigVersion.cmake" COMPATIBILITY SameMinorVersion)
install(FILES "${PROJECT_BINARY_DIR}/VarnexConfig.cmake" "${PROJECT_BINARY_DIR}/VarnexConfigVersion.cmake"
  DESTINATION ${VARNEX_CMAKE_DIR} COMPONENT Varnex)

# Manual pages; the second program and the library's other names lead to the
# page that describes them.
install(FILES "${PROJECT_SOURCE_DIR}/man/varnex.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Varnex)
install(FILES "${PROJECT_SOURCE_DIR}/man/varnex_d.3" DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT Varnex)
file(WRITE "${PROJECT_BINARY_DIR}/man/varnex2007.1" ".so man1/varnex.1\n")
install(FILES "${PROJECT_BINARY_DIR}/man/varnex2007.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Varnex)
foreach(page IN ITEMS varnex_d2007 Varnex_Converter Varnex_ConverterStr)
  file(WRITE "${PROJECT_BINARY_DIR}/man/${page}.3" ".so man3/varnex_d.3\n")
  install(FILES "${PROJECT_BINARY_DIR}/man/${page}.3" DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT Varnex)
endforeach()

# Shell completion, found by bash-completion under the command's own name.
foreach(program IN ITEMS varnex varnex2007)
  install(FILES "${PROJECT_SOURCE_DIR}/wizard/completion/varnex.bash"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program} COMPONENT Varnex)
endforeach()

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME "varnex")
set(CPACK_PACKAGE_VENDOR "Varnex")
set(CPACK_PACKAGE_CONTACT "Varnex developers <varnex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Access database (.mdb, .accdb) to delimited text converter")
set(CPACK_PACKAGE_DESCRIPTION "Varnex converts every table of an Access database into a delimited text
file, from the command line (varnex, varnex2007) or from another program
through a shared library (libvarnex_d, libvarnex_d2007). It reads the files
itself; no Access runtime is needed.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps (dpkg-dev) and file work out the package's dependencies and
# its shared-library entries; without them the C and C++ runtimes are named.
find_program(VARNEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(VARNEX_FILE_COMMAND file)
if(VARNEX_DPKG_SHLIBDEPS AND VARNEX_FILE_COMMAND)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)
