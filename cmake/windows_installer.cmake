# `installer`: varnic-<version>-setup.exe, a 64-bit NSIS installer holding varnic.exe, both
# VarnicObj.dll builds (the x86 one for 32-bit hosts, built here by a nested build with the i686
# toolchain), the README, the pages under docs/ it links to and the manual page as text. Not part
# of the default build.
include(ExternalProject)

find_program(VARNIC_MAKENSIS makensis)
find_program(VARNIC_GROFF groff)
find_package(Python3 COMPONENTS Interpreter)

set(x86_dir ${PROJECT_BINARY_DIR}/x86)
set(x86_dll ${x86_dir}/shell/VarnicObj.dll)
ExternalProject_Add(
  varnic_x86
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${x86_dir}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DVARNIC_WERROR=${VARNIC_WERROR}
             -DBUILD_SHARED_LIBS=OFF -DVARNIC_BUILD_CLI=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${x86_dir} --target VarnicObj
  BUILD_BYPRODUCTS ${x86_dll}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  EXCLUDE_FROM_ALL ON)

set(stage ${PROJECT_BINARY_DIR}/installer)
set(setup ${PROJECT_BINARY_DIR}/varnic-${PROJECT_VERSION}-setup.exe)
set(nsi ${PROJECT_SOURCE_DIR}/packaging/windows/varnic.nsi)
set(registry_py ${PROJECT_SOURCE_DIR}/packaging/windows/registry_nsh.py)
set(registry_inputs ${PROJECT_SOURCE_DIR}/shell/registration_script.h
                    ${PROJECT_SOURCE_DIR}/include/varnic/shell/varnic_ids.h
                    ${PROJECT_SOURCE_DIR}/shell/varnic.idl)

# Text for Windows readers: CR LF line ends, the manual page formatted.
add_custom_command(
  OUTPUT ${stage}/README.txt ${stage}/varnic.txt ${stage}/registry.nsh
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
  COMMAND sed "s/$/\\r/" ${PROJECT_SOURCE_DIR}/README.md > ${stage}/README.txt
  COMMAND ${VARNIC_GROFF} -man -Tascii -P-c ${PROJECT_SOURCE_DIR}/docs/varnic.1 | col -bx
          | sed "s/$/\\r/" > ${stage}/varnic.txt
  COMMAND ${Python3_EXECUTABLE} ${registry_py} ${PROJECT_SOURCE_DIR} ${stage}/registry.nsh
  DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/varnic.1 ${registry_py}
          ${registry_inputs}
  COMMENT "Preparing the installer's texts and registry steps"
  VERBATIM)

# The README links to docs/*.md and the manual page cites the schemas: ship them beside it, with
# the same names, so the links hold in the installed tree.
file(GLOB doc_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md
     ${PROJECT_SOURCE_DIR}/docs/*.schema.json)
set(staged_docs)
foreach(page IN LISTS doc_pages)
  get_filename_component(name ${page} NAME)
  add_custom_command(
    OUTPUT ${stage}/docs/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/docs
    COMMAND sed "s/$/\\r/" ${page} > ${stage}/docs/${name}
    DEPENDS ${page}
    VERBATIM)
  list(APPEND staged_docs ${stage}/docs/${name})
endforeach()

add_custom_command(
  OUTPUT ${setup}
  COMMAND ${VARNIC_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DOUTFILE=${setup}
          -DSTAGE=${stage} -DVARNIC_EXE=$<TARGET_FILE:varnic> -DDLL64=$<TARGET_FILE:VarnicObj>
          -DDLL32=${x86_dll} ${nsi}
  DEPENDS ${nsi} ${stage}/README.txt ${stage}/varnic.txt ${stage}/registry.nsh ${staged_docs}
          varnic VarnicObj varnic_x86 ${x86_dll}
  COMMENT "Building varnic-${PROJECT_VERSION}-setup.exe with makensis"
  VERBATIM)

if(VARNIC_MAKENSIS AND VARNIC_GROFF AND Python3_FOUND)
  add_custom_target(installer DEPENDS ${setup})
else()
  add_custom_target(
    installer
    COMMAND ${CMAKE_COMMAND} -E echo
            "installer: needs makensis (Debian: nsis), groff and python3; one was not found"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()
