#include "engine/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace varnic {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// A file name may have at most this many bytes; the temporary names keep within it.
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kSuffix = 7;  // ".xxxxxx"

std::size_t NameStart(const std::string& path) {
#if defined(_WIN32)
  const std::size_t slash = path.find_last_of("/\\:");
#else
  const std::size_t slash = path.rfind('/');
#endif
  return slash == std::string::npos ? 0 : slash + 1;
}

// A path beside `target` that did not exist, with its last characters random.
std::string SiblingName(const std::string& target) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  const std::size_t start = NameStart(target);
  std::string name = target.substr(0, start + std::min(target.size() - start, kNameMax - kSuffix));
  name += '.';
  for (std::size_t i = 1; i < kSuffix; ++i) name += kLetters[random() % kLetters.size()];
  return name;
}

// Creates a new file beside `target`; its descriptor, or -1 with errno set.
int CreateSibling(const std::string& target, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = SiblingName(target);
    // Created as a plain create would create the target, the umask applied by the system.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Where writing to `path` lands: a symbolic link is followed, as opening it for writing would.
std::string ResolveLinks(const std::string& path) {
  std::filesystem::path at = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, error))) break;
    const std::filesystem::path link = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = link.is_absolute() ? link : at.parent_path() / link;
  }
  return at.string();
}

bool FlushToDisk(int fd) {
#if defined(_WIN32)
  return ::_commit(fd) == 0;
#else
  return ::fsync(fd) == 0;
#endif
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = EACCES;
  return false;
#else
  return ::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// A second name for `target`, so that it can be put back after it was replaced.
bool LinkBackup(const std::string& target, std::string& backup) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    backup = SiblingName(target);
#if defined(_WIN32)
    if (::CreateHardLinkA(backup.c_str(), target.c_str(), nullptr)) return true;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
#else
    if (::link(target.c_str(), backup.c_str()) == 0) return true;
    if (errno != EEXIST) break;
#endif
  }
  backup.clear();
  return false;
}

bool WriteDirect(const std::string& path, const CWriteBody& write, std::error_code& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return false;
  }
  CBufferedWriter out(fd);
  write(out);
  bool ok = out.Flush();
  if (!ok) error = LastError();
  if (::close(fd) != 0 && ok) {
    error = LastError();
    ok = false;
  }
  return ok;
}

}  // namespace

CStagedFiles::~CStagedFiles() {
  for (const COutput& output : outputs_) {
    if (!output.temp.empty()) ::unlink(output.temp.c_str());
    if (!output.backup.empty()) ::unlink(output.backup.c_str());
  }
}

bool CStagedFiles::Stage(const std::string& path, const CWriteBody& write, std::error_code& error) {
  failed_ = path;  // until it is staged
  if (path.empty()) {
    error = std::make_error_code(std::errc::no_such_file_or_directory);
    return false;
  }
  COutput& output = outputs_.emplace_back();
  output.path = path;
  struct stat info {};
  // What the name opens is asked of the system first: /dev/stdout and /dev/fd/N are links to
  // names such as "pipe:[1234]" that no path lookup of ours can follow, but open() can.
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = std::make_error_code(std::errc::is_a_directory);
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      output.target = path;
      output.direct = write;
      return true;
    }
    output.existed = true;
  }
  output.target = ResolveLinks(path);
  const int fd = CreateSibling(output.target, output.temp);
  if (fd < 0) {
    output.temp.clear();
    error = LastError();
    return false;
  }
#if !defined(_WIN32)
  // A replaced output keeps its permissions; failing to copy them is no reason to fail the save.
  if (output.existed) (void)::fchmod(fd, info.st_mode & 07777);
#endif
  CBufferedWriter out(fd);
  write(out);
  bool ok = out.Flush() && FlushToDisk(fd);
  if (!ok) error = LastError();
  if (::close(fd) != 0 && ok) {
    error = LastError();
    ok = false;
  }
  return ok;
}

bool CStagedFiles::Commit(std::error_code& error) {
  // Direct targets first: they fail most often (a full device) and cannot be undone.
  for (const COutput& output : outputs_) {
    if (output.temp.empty() && !WriteDirect(output.target, output.direct, error)) {
      failed_ = output.path;
      return false;
    }
  }
  // Every backup before the first rename, so that a target named twice is put back as it was.
  for (COutput& output : outputs_) {
    if (!output.temp.empty() && output.existed) LinkBackup(output.target, output.backup);
  }
  for (COutput& output : outputs_) {
    if (output.temp.empty()) continue;
    if (!MoveIntoPlace(output.temp, output.target)) {
      error = LastError();
      failed_ = output.path;
      Restore();
      return false;
    }
    output.temp.clear();
    output.replaced = true;
  }
  error.clear();
  return true;
}

// Undoes the renames of a failed commit, last first, as far as the backups allow.
void CStagedFiles::Restore() {
  for (std::size_t i = outputs_.size(); i-- > 0;) {
    COutput& output = outputs_[i];
    if (!output.replaced) continue;
    if (!output.backup.empty()) {
      if (MoveIntoPlace(output.backup, output.target)) output.backup.clear();
    } else if (!output.existed) {
      ::unlink(output.target.c_str());
    }
  }
}

}  // namespace varnic
