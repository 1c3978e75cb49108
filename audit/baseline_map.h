#ifndef VARNIC_AUDIT_BASELINE_MAP_H_
#define VARNIC_AUDIT_BASELINE_MAP_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::audit {

// Which baseline a target is compared against, when a fleet holds several models. A text of
// lines `GLOB -> BASELINE`; blank lines and lines starting with "#" are skipped. The glob is
// matched against the whole target path as found ("*" also crosses "/"); the first matching line
// wins and a target no line matches takes the default baseline.
class CBaselineMap {
 public:
  // Parses `text`. A relative BASELINE is taken relative to `directory` (the map file's folder),
  // so a map works from wherever the audit runs. False with the line and reason in `error`.
  bool Parse(std::string_view text, const std::string& directory, std::string& error);

  // The baseline for `target`, or `fallback` when no line matches.
  const std::string& BaselineFor(std::string_view target, const std::string& fallback) const;

  // Every baseline the map names, each once, in the order of the lines.
  std::vector<std::string> Baselines() const;

  // A line that chooses the baseline of none of the targets: a typo or a site that went away.
  struct CUnusedLine {
    std::size_t number = 0;  // in the map, from 1
    std::string glob;
    bool shadowed = false;  // its glob matches targets, but earlier lines take them all
  };
  std::vector<CUnusedLine> Unused(const std::vector<std::string>& targets) const;

 private:
  struct CLine {
    std::string glob;
    std::string baseline;
    std::size_t number = 0;
  };
  std::vector<CLine> lines_;
};

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_BASELINE_MAP_H_
