#include "base/output_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "base/path_names.h"

namespace varnic::base {
namespace {

namespace fs = std::filesystem;

// An identity with its kind in front, so that an inode number never equals a path. Appended,
// not `"I" + text`, which GCC 12 misreports under -O3 (-Wrestrict).
std::string Tagged(char kind, const std::string& text) {
  std::string tagged(1, kind);
  tagged.append(text);
  return tagged;
}

// Where opening `path` for writing would create a file: a dangling link is followed to the name
// it points at, as open(O_CREAT) does.
fs::path FollowLinks(const fs::path& path) {
  fs::path at = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(at, error))) break;
    const fs::path link = fs::read_symlink(at, error);
    if (error) break;
    at = link.is_absolute() ? link : at.parent_path() / link;
  }
  return at;
}

// A file that does not exist yet, by its path with the existing part resolved.
std::string ResolvedIdentity(const fs::path& resolved) {
  std::string text = NameOf(resolved);
#if defined(_WIN32)
  // Names differ only in letter case on the platform's file systems.
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
  return Tagged('P', text);
}

// A file that does not exist yet, by where it would be created.
std::string MissingIdentity(const std::string& path) {
  std::error_code error;
  fs::path at = fs::absolute(FollowLinks(PathOf(path)), error);
  if (error) at = PathOf(path);
  // The existing part resolved (links followed), the rest taken as written.
  fs::path resolved = fs::weakly_canonical(at, error);
  if (error) resolved = at.lexically_normal();
  return ResolvedIdentity(resolved);
}

#if defined(_WIN32)

std::string ExistingIdentity(const std::string& path, bool& found) {
  found = false;
  const HANDLE file =
      ::CreateFileW(PathOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  found = true;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info) != 0;
  const DWORD type = ::GetFileType(file);
  ::CloseHandle(file);
  // A console or a pipe is written directly.
  if (!known || type != FILE_TYPE_DISK) return {};
  return Tagged(
      'I', std::to_string(info.dwVolumeSerialNumber) + ":" +
               std::to_string((std::uint64_t{info.nFileIndexHigh} << 32U) | info.nFileIndexLow));
}

std::string StandardInputIdentity() { return {}; }

#else

std::string IdentityOf(const struct stat& info) {
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return {};
  return Tagged('I', std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino));
}

std::string ExistingIdentity(const std::string& path, bool& found) {
  struct stat info {};
  found = ::stat(path.c_str(), &info) == 0;
  return found ? IdentityOf(info) : std::string();
}

std::string StandardInputIdentity() {
  struct stat info {};
  return ::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) ? IdentityOf(info)
                                                                    : std::string();
}

#endif

}  // namespace

std::string FileIdentity(const std::string& path) {
  if (path.empty()) return {};
  bool found = false;
  std::string identity = ExistingIdentity(path, found);
  return found ? identity : MissingIdentity(path);
}

void COutputPlan::AddInput(const std::string& path) { inputs_.push_back({path, {}, true}); }

void COutputPlan::AddStandardInput() { inputs_.push_back({"-", StandardInputIdentity()}); }

void COutputPlan::AddOutput(const std::string& path) {
  outputs_.push_back({path, FileIdentity(path)});
}

void COutputPlan::AddOutputsIn(const std::string& directory,
                               const std::vector<std::string>& paths) {
  const fs::path folder = PathOf(directory);
  std::error_code error;
  // Not there at all, not even as a dangling link: nothing under it exists either.
  const bool missing = fs::symlink_status(folder, error).type() == fs::file_type::not_found;
  error.clear();
  fs::path resolved;
  if (missing) {
    const fs::path at = fs::absolute(folder, error);
    if (!error) resolved = fs::weakly_canonical(at, error);
  }
  outputs_.reserve(outputs_.size() + paths.size());
  for (const std::string& path : paths) {
    const fs::path name = PathOf(path).filename();
    if (!missing || error || name.empty() || folder / name != PathOf(path)) {
      AddOutput(path);
    } else {
      outputs_.push_back({path, ResolvedIdentity(resolved / name)});
    }
  }
}

std::optional<COutputConflict> COutputPlan::Check() const {
  const bool writesFiles = std::any_of(outputs_.begin(), outputs_.end(), [](const CEntry& output) {
    return !output.identity.empty();
  });
  if (!writesFiles) return std::nullopt;
  std::vector<std::string> identities;
  identities.reserve(inputs_.size());
  for (const CEntry& input : inputs_) {
    identities.push_back(input.pending ? FileIdentity(input.path) : input.identity);
  }
  // Keyed by identity, so a fleet of thousands is checked in one pass each.
  std::map<std::string_view, const CEntry*> read;
  for (std::size_t i = 0; i < inputs_.size(); ++i) {
    if (!identities[i].empty()) read.emplace(identities[i], &inputs_[i]);
  }
  std::map<std::string_view, const CEntry*> written;
  for (const CEntry& output : outputs_) {
    if (output.identity.empty()) continue;
    if (const auto it = read.find(output.identity); it != read.end()) {
      return COutputConflict{output.path, it->second->path, true};
    }
    if (const auto [it, added] = written.emplace(output.identity, &output); !added) {
      return COutputConflict{output.path, it->second->path, false};
    }
  }
  return std::nullopt;
}

}  // namespace varnic::base
