# The command's argument parser and the report's JSON escaping are header-only libraries.
if(WIN32)
  # The cross build takes the two header-only libraries from the build machine, their own folders
  # only, so that the machine's system headers stay out of the way of the platform's.
  set(VARNIC_HOST_INCLUDE /usr/include CACHE PATH "Where the build machine keeps CLI11 and nlohmann")
  set(header_only ${CMAKE_CURRENT_BINARY_DIR}/header_only)
  file(MAKE_DIRECTORY ${header_only})
  foreach(library CLI nlohmann)
    file(CREATE_LINK ${VARNIC_HOST_INCLUDE}/${library} ${header_only}/${library} SYMBOLIC)
  endforeach()
  add_library(varnic_header_only INTERFACE)
  target_include_directories(varnic_header_only SYSTEM INTERFACE ${header_only})
  add_library(CLI11::CLI11 ALIAS varnic_header_only)
  add_library(nlohmann_json::nlohmann_json ALIAS varnic_header_only)
else()
  find_package(CLI11 CONFIG REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
endif()
