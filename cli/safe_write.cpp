#include "cli/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "cli/os.h"

namespace varnic::cli {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

bool SameFile(const std::string& a, const std::string& b) { return os::SameFile(a, b); }

CStagedFile::~CStagedFile() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  if (!backup_.empty()) ::unlink(backup_.c_str());
}

bool CStagedFile::Stage(const std::string& path, std::string_view bytes, std::error_code& error) {
  return Stage(
      path, [bytes](CBufferedWriter& out) { out.Append(bytes); }, error);
}

bool CStagedFile::Stage(const std::string& path, CWriteBody write, std::error_code& error) {
  path_ = path;
  // A link stays a link: the result goes to the file it names, as an editor writes it.
  std::error_code ignored;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ignored))) {
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ignored);
    if (!ignored) path_ = target.string();
  }
  struct stat target {};
  if (::stat(path_.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    if (S_ISDIR(target.st_mode)) {
      error = std::make_error_code(std::errc::is_a_directory);
      return false;
    }
    direct_ = std::move(write);
    return true;
  }
  std::string temp = TempNameBeside(path_);
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
  struct stat before {};
  created_ = ::stat(path_.c_str(), &before) != 0;
  if (!created_) {
    // Kept as a second name of the old file until Finish; where the file system has no hard
    // links this output cannot be restored.
    backup_ = temp_ + "-old";
    if (!os::HardLink(path_, backup_)) backup_.clear();
  }
  if (!os::MoveIntoPlace(temp_, path_)) {
    error = LastError();
    if (!backup_.empty()) ::unlink(backup_.c_str());
    backup_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void CStagedFile::Restore() {
  if (!backup_.empty()) {
    if (os::MoveIntoPlace(backup_, path_)) backup_.clear();
  } else if (created_) {
    ::unlink(path_.c_str());
  }
  created_ = false;
}

void CStagedFile::Finish() {
  if (!backup_.empty()) ::unlink(backup_.c_str());
  backup_.clear();
  created_ = false;
}

bool CommitAll(const std::vector<CStagedFile*>& files, std::error_code& error,
               std::size_t& failed) {
  std::size_t committed = 0;
  for (CStagedFile* file : files) {
    if (!file->Commit(error)) {
      failed = committed;
      for (std::size_t i = 0; i < committed; ++i) files[i]->Restore();
      return false;
    }
    ++committed;
  }
  for (CStagedFile* file : files) file->Finish();
  return true;
}

std::string TempNameBeside(const std::string& path) {
  constexpr std::size_t kNameMax = 255;  // bytes in one file name on the usual file systems
  constexpr std::string_view kSuffix = ".XXXXXX";
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  // Room for the suffix and for the "-old" a commit adds to name the file it replaces.
  const std::size_t room = kNameMax - kSuffix.size() - 4;
  std::string temp = path.substr(0, nameStart + std::min(path.size() - nameStart, room));
  return temp.append(kSuffix);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error) {
  CStagedFile file;
  if (!file.Stage(path, bytes, error) || !file.Commit(error)) return false;
  file.Finish();
  return true;
}

}  // namespace varnic::cli
