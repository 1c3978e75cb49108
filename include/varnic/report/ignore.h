#ifndef VARNIC_REPORT_IGNORE_H_
#define VARNIC_REPORT_IGNORE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::report {

// Where a pattern was given: on the command line (`line` 0) or on a line of a file of patterns.
struct CPatternOrigin {
  std::string text;  // as written
  std::size_t line = 0;
};

// Settings a person chose not to care about, as `[Section]key` patterns globbed as GlobMatches
// says ("[System]IPaddr", "[*]SSID?_Ssid", "*Password"). A pattern without a section
// ("channel") matches the key in every section. Matching is byte for byte.
class CIgnoreList {
 public:
  // Adds one pattern; an empty pattern, or one whose section is not closed, is refused with
  // the reason in `error`.
  bool Add(std::string_view pattern, std::string& error, std::size_t line = 0);
  // Adds the patterns of a file's text, one per line; blank lines and lines starting with "#"
  // are skipped. `error` names the line of the first bad pattern.
  bool AddLines(std::string_view text, std::string& error);

  bool Matches(std::string_view sectionHeader, std::string_view key) const;
  // Whether pattern `i` (in the order added) matches.
  bool PatternMatches(std::size_t i, std::string_view sectionHeader, std::string_view key) const;
  bool empty() const { return patterns_.empty(); }
  std::size_t size() const { return patterns_.size(); }
  const std::vector<std::string>& patterns() const { return texts_; }
  const CPatternOrigin& origin(std::size_t i) const { return patterns_[i].origin; }

 private:
  struct CPattern {
    std::optional<std::string> section;  // with its brackets; none matches every section
    std::string key;
    CPatternOrigin origin;
  };
  std::vector<CPattern> patterns_;
  std::vector<std::string> texts_;
};

// The one glob syntax of the command (ignore patterns, --glob, --baseline-map): "*" stands for
// any run of bytes, "?" for any one byte, and every other byte for itself; brackets are no
// character class (they delimit an ignore pattern's section). Byte for byte, no locale.
bool GlobMatches(std::string_view pattern, std::string_view text);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_IGNORE_H_
