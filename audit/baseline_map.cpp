#include "audit/baseline_map.h"

#include <algorithm>
#include <filesystem>

#include "audit/targets.h"
#include "base/path_names.h"

namespace varnic::audit {

bool CBaselineMap::Parse(std::string_view text, const std::string& directory, std::string& error) {
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimBlanks(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t arrow = line.find("->");
    const std::string_view glob = TrimBlanks(line.substr(0, arrow));
    const std::string_view baseline =
        arrow == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(arrow + 2));
    if (glob.empty() || baseline.empty()) {
      error = "line " + std::to_string(number) + ": expected 'GLOB -> BASELINE'";
      return false;
    }
    std::filesystem::path path = base::PathOf(std::string(baseline));
    if (path.is_relative() && !directory.empty()) path = base::PathOf(directory) / path;
    lines_.push_back({std::string(glob), base::NameOf(path.lexically_normal()), number});
  }
  return true;
}

const std::string& CBaselineMap::BaselineFor(std::string_view target,
                                             const std::string& fallback) const {
  for (const CLine& line : lines_) {
    if (FileNameMatches(line.glob, target)) return line.baseline;
  }
  return fallback;
}

std::vector<std::string> CBaselineMap::Baselines() const {
  std::vector<std::string> baselines;
  for (const CLine& line : lines_) {
    if (std::find(baselines.begin(), baselines.end(), line.baseline) == baselines.end()) {
      baselines.push_back(line.baseline);
    }
  }
  return baselines;
}

std::vector<CBaselineMap::CUnusedLine> CBaselineMap::Unused(
    const std::vector<std::string>& targets) const {
  std::vector<bool> chosen(lines_.size(), false);
  std::vector<bool> matched(lines_.size(), false);
  for (const std::string& target : targets) {
    bool taken = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (!FileNameMatches(lines_[i].glob, target)) continue;
      matched[i] = true;
      if (!taken) chosen[i] = true;
      taken = true;
    }
  }
  std::vector<CUnusedLine> unused;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (!chosen[i]) unused.push_back({lines_[i].number, lines_[i].glob, matched[i]});
  }
  return unused;
}

}  // namespace varnic::audit
