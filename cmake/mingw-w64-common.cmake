# The part of the mingw-w64 toolchains both targets share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and VARNIC_MINGW_PREFIX. Posix threads: std::thread and std::mutex need
# them. The tools are found by their target-prefixed names.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VARNIC_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNIC_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNIC_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNIC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Modules and programs load under a bare Windows (or Wine) without the compiler's runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
