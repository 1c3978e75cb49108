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
#ifdef _WIN32
#include <shellapi.h>  // after windows.h, which it needs
#endif

namespace varnic::cli::os {

#ifdef _WIN32

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the terminating NUL
  return out;
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {  // not to be had: argv as it is
    if (wide != nullptr) ::LocalFree(wide);
    return {argv, argv + argc};
  }
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) args.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return args;
}

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

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

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
