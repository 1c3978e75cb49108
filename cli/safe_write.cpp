#include "cli/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "cli/os.h"

namespace varnic::cli {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

bool SameFile(const std::string& a, const std::string& b) { return os::SameFile(a, b); }

CStagedFile::~CStagedFile() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool CStagedFile::Stage(const std::string& path, std::string_view bytes, std::error_code& error) {
  return Stage(
      path, [bytes](CBufferedWriter& out) { out.Append(bytes); }, error);
}

bool CStagedFile::Stage(const std::string& path, CWriteBody write, std::error_code& error) {
  path_ = path;
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    if (S_ISDIR(target.st_mode)) {
      error = std::make_error_code(std::errc::is_a_directory);
      return false;
    }
    direct_ = std::move(write);
    return true;
  }
  std::string temp = path + ".XXXXXX";
  const int fd = os::CreateUniqueFile(temp);
  if (fd < 0) {
    error = LastError();
    return false;
  }
  temp_ = temp;
  // Results are ordinary files: keep the permissions a plain create would give.
  bool written = os::SetPlainPermissions(fd);
  if (written) {
    CBufferedWriter out(fd);
    write(out);
    written = out.Flush() && os::FlushToDisk(fd);
  }
  if (!written) error = LastError();
  const bool closed = ::close(fd) == 0;
  if (written && !closed) error = LastError();
  return written && closed;
}

bool CStagedFile::Commit(std::error_code& error) {
  if (temp_.empty()) {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0;
    if (ok) {
      CBufferedWriter out(fd);
      direct_(out);
      ok = out.Flush();
    }
    if (!ok) error = LastError();
    if (fd >= 0 && ::close(fd) != 0 && ok) {
      error = LastError();
      return false;
    }
    return ok;
  }
  if (!os::MoveIntoPlace(temp_, path_)) {
    error = LastError();
    return false;
  }
  temp_.clear();
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error) {
  CStagedFile file;
  return file.Stage(path, bytes, error) && file.Commit(error);
}

}  // namespace varnic::cli
