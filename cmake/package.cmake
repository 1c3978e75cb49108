# What `cmake --install` puts in place besides the programs: the libraries, the CMake package
# (find_package(varnic)), varnic.pc and varnic-report.pc, and the Debian packages CPack builds
# from the same rules.
include(CMakePackageConfigHelpers)

set(VARNIC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/varnic)
set(varnic_libraries varnic_engine)
if(VARNIC_BUILD_COMPONENT)
  list(APPEND varnic_libraries varnic_com)
endif()
if(TARGET varnic_report)
  list(APPEND varnic_libraries varnic_report)
endif()
# The shared libraries go with the programs that need them; the link names, archives and
# package files with the headers.
install(TARGETS ${varnic_libraries} EXPORT varnicTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(EXPORT varnicTargets NAMESPACE varnic:: DESTINATION ${VARNIC_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(cmake/varnicConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/varnicConfig.cmake
                              INSTALL_DESTINATION ${VARNIC_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/varnicConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/varnicConfig.cmake
              ${PROJECT_BINARY_DIR}/varnicConfigVersion.cmake
        DESTINATION ${VARNIC_CMAKE_DIR} COMPONENT dev)

# The pkg-config file finds its prefix from where it lies, so the tree can be moved or packaged.
file(RELATIVE_PATH VARNIC_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VARNIC_PC_TO_PREFIX "${VARNIC_PC_TO_PREFIX}")
configure_file(cmake/varnic.pc.in ${PROJECT_BINARY_DIR}/varnic.pc @ONLY)
set(varnic_pc_files ${PROJECT_BINARY_DIR}/varnic.pc)
if(TARGET varnic_report)
  configure_file(cmake/varnic-report.pc.in ${PROJECT_BINARY_DIR}/varnic-report.pc @ONLY)
  list(APPEND varnic_pc_files ${PROJECT_BINARY_DIR}/varnic-report.pc)
endif()
install(FILES ${varnic_pc_files} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# Debian packages: `varnic` (the command, the component and the libraries they run with) and
# `libvarnic-dev` (headers and package files).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnic)
set(CPACK_PACKAGE_VENDOR "Varnic")
set(VARNIC_PACKAGE_CONTACT "Varnic developers <maintainers@varnic.invalid>"
    CACHE STRING "The Debian packages' maintainer, \"Name <address>\"")
set(CPACK_PACKAGE_CONTACT "${VARNIC_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(varnic_packages varnic libvarnic-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME varnic)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
# The history's clients are opened only when a history asks for them, where dpkg-shlibdeps cannot
# see them: without libpq5 a PostgreSQL history is refused with the reason, and without libssl3
# digests are taken by varnic's own SHA-256.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libpq5, libssl3")
# CPack puts the summary first and indents each line of these.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "The varnic command compares two INI-like backups of an access point and\nwrites the two marked results; VarnicObj is the same engine as an in-process\ncomponent, registered with varnic-regsvr.")
# The shared libraries travel with the programs: ldconfig runs by trigger. Their shlibs file is
# written here rather than by CPack, which would take the component module (a plugin, loaded by
# path, with no soname by design) for a library and warn that it lacks one.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(varnic_shlibs "")
foreach(library IN LISTS varnic_libraries)
  get_target_property(type ${library} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    string(APPEND varnic_shlibs
           "lib${library} ${PROJECT_VERSION_MAJOR} varnic (>= ${PROJECT_VERSION})\n")
  endif()
endforeach()
if(varnic_shlibs)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packaging/shlibs CONTENT "${varnic_shlibs}")
  list(APPEND CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/shlibs)
endif()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvarnic-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "varnic (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION
    "Development files: headers, the report library, the CMake package\n(find_package(varnic)), varnic.pc and varnic-report.pc for programs that\nembed the comparison or its report, or host the component.")
# `python3-varnic`, when the build has the Python package: the package under dist-packages, with
# the engine library of `varnic` beside the programs. Its dependencies are written here: the
# module's one library of ours is in another package, which dpkg-shlibdeps cannot see from here.
if(VARNIC_BUILD_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
  list(APPEND varnic_packages python3-varnic)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-varnic)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
  math(EXPR next_minor "${VARNIC_PYTHON_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "varnic (= ${PROJECT_VERSION}), python3 (>= ${VARNIC_PYTHON_MAJOR}.${VARNIC_PYTHON_MINOR}), python3 (<< ${VARNIC_PYTHON_MAJOR}.${next_minor}), libc6, libgcc-s1, libstdc++6")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-distributed")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION
      "The Python package varnic: compare() for one pair of backups, audit() for a\nfleet against a golden backup, and varnic.dask.audit() for a fleet spread\nover a Dask cluster.")
endif()

# Each package's copyright and changelog, as Debian requires of every package.
string(TIMESTAMP VARNIC_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
                   COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/packaging/changelog > ${changelog}
                   DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(varnic_changelog ALL DEPENDS ${changelog})
foreach(component package IN ZIP_LISTS CPACK_COMPONENTS_ALL varnic_packages)
  install(FILES packaging/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          COMPONENT ${component})
endforeach()
set(CPACK_STRIP_FILES ON)
include(CPack)
