#include "audit/targets.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

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
  std::vector<CSkippedFile>* skipped = nullptr;
};

void Walk(const CWalk& walk, std::size_t index, CWalkedDirectory& directory) {
  std::error_code error;
  fs::recursive_directory_iterator it(base::PathOf(directory.path), error);
  if (error) {
    walk.found->push_back({directory.path, "cannot read directory: " + error.message(), index});
    ++directory.found;
    return;
  }
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
    const std::string path = base::NameOf(it->path());
    if (!FileNameMatches(walk.glob, base::NameOf(it->path().filename()))) continue;
    if (walk.baselines.contains(FileIdentity(path))) {
      walk.skipped->push_back({path, "the baseline"});
      ++directory.skipped;
      continue;
    }
    walk.found->push_back({path, "", index});
    ++directory.found;
  }
  if (error) {
    walk.found->push_back({directory.path, "cannot read directory: " + error.message(), index});
    ++directory.found;
  }
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
  std::vector<CTarget> found;
  walk.found = &found;
  walk.skipped = &list.skipped;
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (fs::is_directory(base::PathOf(argument), error)) {
      list.directories.push_back({argument});
      Walk(walk, list.directories.size() - 1, list.directories.back());
    } else {
      found.push_back({argument, "", kNamed});
    }
  }
  // The first spelling met, in the order of the arguments, names a file met twice.
  std::set<std::string> seen;
  for (CTarget& target : found) {
    if (seen.insert(FileIdentity(target.path)).second) {
      list.targets.push_back(std::move(target));
    } else {
      ++list.duplicates;
    }
  }
  std::sort(list.targets.begin(), list.targets.end(),
            [](const CTarget& a, const CTarget& b) { return a.path < b.path; });
  return list;
}

}  // namespace varnic::audit
