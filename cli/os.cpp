#include "cli/os.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace varnic::cli::os {

#ifdef _WIN32

void UseBinaryStdout() { ::_setmode(::_fileno(stdout), _O_BINARY); }

bool StdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::optional<std::size_t> TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!StdoutIsTerminal() ||
      !::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
    return std::nullopt;
  }
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? std::optional<std::size_t>(columns) : std::nullopt;
}

#else

void UseBinaryStdout() {}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::optional<std::size_t> TerminalColumns() {
  winsize size{};
  if (!StdoutIsTerminal() || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return std::nullopt;
  }
  return size.ws_col;
}

#endif

}  // namespace varnic::cli::os
