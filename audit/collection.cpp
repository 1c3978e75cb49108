#include "audit/collection.h"

#include <filesystem>
#include <set>
#include <utility>

namespace varnic::audit {

void CExpectedDevices::Parse(std::string_view text) {
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimBlanks(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    lines_.push_back({std::string(line), number});
  }
}

std::vector<CExpectedDevices::CLine> CExpectedDevices::Missing(
    const std::vector<std::string>& targets) const {
  std::set<std::string> files;  // by identity
  std::set<std::string> names;  // file names, and file names without their extension
  for (const std::string& target : targets) {
    files.insert(FileIdentity(target));
    const std::filesystem::path path(target);
    names.insert(path.filename().string());
    names.insert(path.stem().string());
  }
  std::vector<CLine> missing;
  for (const CLine& line : lines_) {
    const bool met = line.text.find('/') != std::string::npos
                         ? files.contains(FileIdentity(line.text))
                         : names.contains(line.text);
    if (!met) missing.push_back(line);
  }
  return missing;
}

std::vector<CDeviceResult> MissingBackups(const CTargetList& list, const std::vector<bool>& skipped,
                                          std::string_view glob, const CExpectedDevices* expected) {
  std::vector<CWalkedDirectory> directories = list.directories;
  std::vector<std::string> backups;
  for (std::size_t i = 0; i < list.targets.size(); ++i) {
    const CTarget& target = list.targets[i];
    if (!skipped[i]) {
      backups.push_back(target.path);
    } else if (target.directory != kNamed) {
      CWalkedDirectory& directory = directories[target.directory];
      --directory.found;
      ++directory.skipped;
    }
  }
  std::vector<CDeviceResult> rows;
  // Appended, not `"'" + std::string(glob)`, which GCC 12 misreports under -O3 (-Wrestrict).
  std::string pattern(1, '\'');
  pattern.append(glob).push_back('\'');
  for (const CWalkedDirectory& directory : directories) {
    if (directory.found > 0) continue;
    CDeviceResult& row = rows.emplace_back();
    row.path = directory.path;
    if (directory.skipped == 0) {
      row.error = "no backup found: no file matches " + pattern;
    } else if (directory.skipped == 1) {
      row.error =
          "no backup found: the one file matching " + pattern + " is saved results or the baseline";
    } else {
      row.error = "no backup found: the " + std::to_string(directory.skipped) + " files matching " +
                  pattern + " are saved results or the baseline";
    }
  }
  if (expected != nullptr) {
    for (CDeviceResult& row : ExpectedWithoutBackup(*expected, backups)) {
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<CDeviceResult> ExpectedWithoutBackup(const CExpectedDevices& expected,
                                                 const std::vector<std::string>& backups) {
  std::vector<CDeviceResult> rows;
  for (const CExpectedDevices::CLine& line : expected.Missing(backups)) {
    CDeviceResult& row = rows.emplace_back();
    row.path = line.text;
    row.error = "expected (line " + std::to_string(line.number) + "), but no backup was found";
  }
  return rows;
}

}  // namespace varnic::audit
