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

std::wstring Utf16(const std::string& text) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
  out.pop_back();
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

bool IsStandardInput(const std::string& /*path*/) { return false; }

// The C runtime's stat has no inode numbers here; the volume and file index do the same.
bool SameFile(const std::string& a, const std::string& b) {
  const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file = ::CreateFileW(Utf16(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION ia{};
  BY_HANDLE_FILE_INFORMATION ib{};
  return identify(a, ia) && identify(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
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

bool IsStandardInput(const std::string& path) {
  struct stat in {};
  struct stat file {};
  return ::fstat(STDIN_FILENO, &in) == 0 && S_ISREG(in.st_mode) &&
         ::stat(path.c_str(), &file) == 0 && in.st_dev == file.st_dev && in.st_ino == file.st_ino;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

#endif

}  // namespace varnic::cli::os
