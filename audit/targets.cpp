#include "audit/targets.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "engine/file_names.h"
#include "report/ignore.h"

namespace varnic::audit {
namespace {

namespace fs = std::filesystem;

// The name a file is known by whatever the spelling: links, "." and ".." resolved. A path that
// cannot be resolved stands for itself.
std::string Identity(const std::string& path) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(PathOf(path), error);
  return NameOf(error ? PathOf(path).lexically_normal() : canonical);
}

void Walk(const std::string& directory, std::string_view glob, const std::string& skip,
          std::vector<CTarget>& found) {
  std::error_code error;
  fs::recursive_directory_iterator it(PathOf(directory), error);
  if (error) {
    found.push_back({directory, "cannot read directory: " + error.message()});
    return;
  }
  for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code statusError;
    if (!skip.empty() && it->is_directory(statusError) && Identity(NameOf(it->path())) == skip) {
      it.disable_recursion_pending();
      continue;
    }
    // A link to a file counts as the file; a link to a directory is not entered.
    if (!it->is_regular_file(statusError)) continue;
    const fs::path& path = it->path();
    if (FileNameMatches(glob, NameOf(path.filename()))) found.push_back({NameOf(path), ""});
  }
  if (error) found.push_back({directory, "cannot read directory: " + error.message()});
}

}  // namespace

bool FileNameMatches(std::string_view glob, std::string_view name) {
  return cli::GlobMatches(glob, name, true);
}

CTargetList ExpandTargets(const std::vector<std::string>& arguments, std::string_view glob,
                          const std::string& skip) {
  const std::string skipped = skip.empty() ? std::string() : Identity(skip);
  std::vector<CTarget> found;
  for (const std::string& argument : arguments) {
    std::error_code error;
    if (fs::is_directory(PathOf(argument), error)) {
      Walk(argument, glob, skipped, found);
    } else {
      found.push_back({argument, ""});
    }
  }
  // The first spelling met, in the order of the arguments, names a file met twice.
  CTargetList list;
  std::set<std::string> seen;
  for (CTarget& target : found) {
    if (seen.insert(Identity(target.path)).second) {
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
