# Cross-compiles for 32-bit Windows (x86) with Debian's mingw-w64: the component for 32-bit
# hosts. Everything but the target is as in mingw-w64-x86_64.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VARNIC_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
