// Included ahead of every source in the Windows build. The file layer opens files with POSIX
// open() and always passes O_CLOEXEC, which the Windows C runtime lacks; there, open() also
// translates CR LF unless asked for binary mode, which would change the bytes read and written.
// Windows' nearest flag (no inheritance by child processes) and binary mode take its place.
#ifndef VARNIC_CMAKE_WINDOWS_OPEN_FLAGS_H_
#define VARNIC_CMAKE_WINDOWS_OPEN_FLAGS_H_
#if defined(_WIN32) && !defined(O_CLOEXEC)
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#endif
#endif  // VARNIC_CMAKE_WINDOWS_OPEN_FLAGS_H_
