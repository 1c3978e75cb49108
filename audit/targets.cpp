#include "audit/targets.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <unordered_set>

#include "base/path_names.h"
#include "varnic/report/ignore.h"

namespace varnic::audit {
namespace {

namespace fs = std::filesystem;

struct CWalk {
  std::string_view glob;
  std::set<std::string> skipDirectories;  // by identity
  std::set<std::string> baselines;        // by identity
  std::vector<CTarget>* found = nullptr;
  std::vector<std::string>* identities = nullptr;  // of `found`, by index
  std::vector<CSkippedFile>* skipped = nullptr;
};

// What FileIdentity gives for a file the walk met below `root` (named `rootIdentity`), without
// asking the file system again for each folder on its way: the walk enters no link, so only a
// link's own name needs resolving.
std::string WalkedIdentity(const fs::directory_entry& entry, const fs::path& root,
                           const std::string& rootIdentity) {
  std::error_code error;
  if (rootIdentity.empty() || entry.is_symlink(error) || error) {
    return FileIdentity(base::NameOf(entry.path()));
  }
#if !defined(_WIN32)
  // The entry's path is the root's followed by the names below it, none of them "." or "..":
  // joined to the root's identity as they stand. Taking the path apart and normalizing it again
  // was most of a walk over ten thousand backups.
  const std::string& whole = entry.path().native();
  const std::string& top = root.native();
  if (!top.empty() && whole.size() > top.size() && whole.compare(0, top.size(), top) == 0 &&
      (top.back() == '/' || whole[top.size()] == '/')) {
    const std::size_t below = top.size() + (top.back() == '/' ? 0 : 1);
    std::string identity = rootIdentity;
    if (identity.back() != '/') identity += '/';
    identity.append(whole, below, std::string::npos);
    return identity;
  }
#endif
  const fs::path below = entry.path().lexically_relative(root);
  if (below.empty() || *below.begin() == "..") return FileIdentity(base::NameOf(entry.path()));
  return base::NameOf((base::PathOf(rootIdentity) / below).lexically_normal());
}

void Walk(const CWalk& walk, std::size_t index, CWalkedDirectory& directory) {
  const auto failed = [&](const std::error_code& error) {
    walk.found->push_back({directory.path, "cannot read directory: " + error.message(), index});
    walk.identities->push_back(FileIdentity(directory.path));
    ++directory.found;
  };
  const fs::path root = base::PathOf(directory.path);
  std::error_code error;
  fs::recursive_directory_iterator it(root, error);
  if (error) {
    failed(error);
    return;
  }
  const std::string rootIdentity = FileIdentity(directory.path);
  for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code statusError;
    if (!walk.skipDirectories.empty() && it->is_directory(statusError) &&
        walk.skipDirectories.contains(FileIdentity(base::NameOf(it->path())))) {
      it.disable_recursion_pending();
      continue;
    }
    // A link to a file counts as the file; a link to a directory is not entered.
    if (!it->is_regular_file(statusError)) continue;
    if (!FileNameMatches(walk.glob, base::NameOf(it->path().filename()))) continue;
    std::string path = base::NameOf(it->path());
    std::string identity = WalkedIdentity(*it, root, rootIdentity);
    if (walk.baselines.contains(identity)) {
      walk.skipped->push_back({std::move(path), "the baseline"});
      ++directory.skipped;
      continue;
    }
    walk.found->push_back({std::move(path), "", index});
    walk.identities->push_back(std::move(identity));
    ++directory.found;
  }
  if (error) failed(error);
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string FileIdentity(const std::string& path) {
  // Made absolute first: a relative path whose first folder does not exist stays relative.
  std::error_code error;
  fs::path absolute = fs::absolute(base::PathOf(path), error);
  if (error) absolute = base::PathOf(path);
  const fs::path canonical = fs::weakly_canonical(absolute, error);
  // The part that does not exist is left as spelled: normalized here, so "a/../a/x" is "a/x".
  return base::NameOf((error ? absolute : canonical).lexically_normal());
}

bool FileNameMatches(std::string_view glob, std::string_view name) {
  return report::GlobMatches(glob, name);
}

bool IsMarkedResult(std::string_view text) {
  // A backup shows itself at its first setting line: no need to read on.
  bool setting = false;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line == "\r" || line.front() == '[') continue;
    if (!line.starts_with("s_") && !line.starts_with("d_") && !line.starts_with("o_")) return false;
    setting = true;
  }
  return setting;
}

CTargetList ExpandTargets(const std::vector<std::string>& arguments, std::string_view glob,
                          const CWalkSkips& skips) {
  CTargetList list;
  CWalk walk;
  walk.glob = glob;
  if (!skips.directory.empty()) walk.skipDirectories.insert(FileIdentity(skips.directory));
  if (!skips.fixDirectory.empty()) walk.skipDirectories.insert(FileIdentity(skips.fixDirectory));
  for (const std::string& baseline : skips.baselines) walk.baselines.insert(FileIdentity(baseline));
  std::vector<CTarget>& found = list.targets;
  std::vector<std::string> identities;
  walk.found = &found;
  walk.identities = &identities;
  walk.skipped = &list.skipped;
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (fs::is_directory(base::PathOf(argument), error)) {
      list.directories.push_back({argument});
      Walk(walk, list.directories.size() - 1, list.directories.back());
    } else {
      found.push_back({argument, "", kNamed});
      identities.push_back(FileIdentity(argument));
    }
  }
  // The first spelling met, in the order of the arguments, names a file met twice. Each file's
  // identity was made once, where it was found.
  std::unordered_set<std::string> seen;
  seen.reserve(found.size());
  std::size_t kept = 0;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (!seen.insert(std::move(identities[i])).second) {
      ++list.duplicates;
      continue;
    }
    if (kept != i) found[kept] = std::move(found[i]);
    ++kept;
  }
  found.resize(kept);
  std::sort(list.targets.begin(), list.targets.end(),
            [](const CTarget& a, const CTarget& b) { return a.path < b.path; });
  return list;
}

}  // namespace varnic::audit
