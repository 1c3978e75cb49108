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
#else
#include <unistd.h>
#endif

#include "base/path_names.h"
#include "engine/file_names.h"

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
    const int fd = OpenNamed(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Where writing to `path` lands: a symbolic link is followed, as opening it for writing would.
std::string ResolveLinks(const std::string& path) {
  std::filesystem::path at = base::PathOf(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, error))) break;
    const std::filesystem::path link = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = link.is_absolute() ? link : at.parent_path() / link;
  }
  return base::NameOf(at);
}

bool FlushToDisk(int fd) {
#if defined(_WIN32)
  return ::_commit(fd) == 0;
#else
  return ::fsync(fd) == 0;
#endif
}

// A second name for `target`, so that it can be put back after it was replaced.
bool LinkBackup(const std::string& target, std::string& backup) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    backup = SiblingName(target);
    if (LinkNamed(target, backup)) return true;
    if (errno != EEXIST) break;
  }
  backup.clear();
  return false;
}

bool WriteDirect(const std::string& path, const CWriteBody& write, std::error_code& error) {
  const int fd = OpenNamed(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
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
    if (!output.temp.empty()) RemoveNamed(output.temp);
    if (!output.backup.empty()) RemoveNamed(output.backup);
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
  unsigned mode = 0;
  // What the name opens is asked of the system first: /dev/stdout and /dev/fd/N are links to
  // names such as "pipe:[1234]" that no path lookup of ours can follow, but open() can.
  switch (KindOf(path, mode)) {
    case FileKind::kDirectory:
      error = std::make_error_code(std::errc::is_a_directory);
      return false;
    case FileKind::kOther:
      output.target = path;
      output.direct = write;
      return true;
    case FileKind::kRegular:
      output.existed = true;
      break;
    case FileKind::kMissing:
      break;
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
  if (output.existed) (void)::fchmod(fd, mode);
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
  // Nothing is replaced while one target is held by another program: the renames would stop
  // half-way, and a backup of the held file could not be removed afterwards.
  for (const COutput& output : outputs_) {
    if (!output.temp.empty() && output.existed && !CanReplace(output.target)) {
      error = LastError();
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
    if (!ReplaceNamed(output.temp, output.target)) {
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
      if (ReplaceNamed(output.backup, output.target)) output.backup.clear();
    } else if (!output.existed) {
      RemoveNamed(output.target);
    }
  }
}

}  // namespace varnic
