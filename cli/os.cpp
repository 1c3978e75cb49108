#include "cli/os.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

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

std::optional<std::size_t> TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!StdoutIsTerminal() ||
      !::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
    return std::nullopt;
  }
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? std::optional<std::size_t>(columns) : std::nullopt;
}

std::tm UtcTime(std::time_t when) {
  std::tm utc{};
  ::gmtime_s(&utc, &when);
  return utc;
}

int CreateUniqueFile(std::string& pattern) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i) {
      pattern[i] = kLetters[random() % (sizeof(kLetters) - 1)];
    }
    // O_CLOEXEC stands for not inherited and binary here, so CR LF are written as they are.
    const int fd =
        ::_open(pattern.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | O_CLOEXEC, _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool SetPlainPermissions(int /*fd*/) { return true; }

bool HardLink(const std::string& existing, const std::string& link) {
  return ::CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

bool IsStandardInput(const std::string& /*path*/) { return false; }

// The C runtime's stat has no inode numbers here; the volume and file index do the same.
bool SameFile(const std::string& a, const std::string& b) {
  const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE file =
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

bool FlushToDisk(int fd) { return ::_commit(fd) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = EACCES;
  return false;
}

#else

void UseBinaryStdout() {}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::optional<std::size_t> TerminalColumns() {
  winsize size{};
  if (!StdoutIsTerminal() || ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return std::nullopt;
  }
  return size.ws_col;
}

std::tm UtcTime(std::time_t when) {
  std::tm utc{};
  ::gmtime_r(&when, &utc);
  return utc;
}

int CreateUniqueFile(std::string& pattern) { return ::mkstemp(pattern.data()); }

bool SetPlainPermissions(int fd) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return ::fchmod(fd, 0666 & ~mask) == 0;
}

bool FlushToDisk(int fd) { return ::fsync(fd) == 0; }

bool HardLink(const std::string& existing, const std::string& link) {
  return ::link(existing.c_str(), link.c_str()) == 0;
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

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

#endif

}  // namespace varnic::cli::os
