#include "cli/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace varnic::cli {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = LastError();
    return false;
  }
  // Results are ordinary files: keep the permissions a plain create would give.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const bool written = ::fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (!written) error = LastError();
  if (::close(fd) != 0 && written) {
    error = LastError();
    ::unlink(temp.c_str());
    return false;
  }
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    if (written) error = LastError();
    ::unlink(temp.c_str());
    return false;
  }
  error.clear();
  return true;
}

}  // namespace varnic::cli
