#ifndef VARNIC_REPORT_IGNORE_H_
#define VARNIC_REPORT_IGNORE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::cli {

// Settings a person chose not to care about, as `[Section]key` patterns in which "*" stands for
// any run of bytes ("[System]IPaddr", "[*]SSID*_Ssid", "*Password"). A pattern without a
// section ("channel") matches the key in every section. Matching is byte for byte.
class CIgnoreList {
 public:
  // Adds one pattern; an empty pattern, or one whose section is not closed, is refused with
  // the reason in `error`.
  bool Add(std::string_view pattern, std::string& error);
  // Adds the patterns of a file's text, one per line; blank lines and lines starting with "#"
  // are skipped. `error` names the line of the first bad pattern.
  bool AddLines(std::string_view text, std::string& error);

  bool Matches(std::string_view sectionHeader, std::string_view key) const;
  bool empty() const { return patterns_.empty(); }
  const std::vector<std::string>& patterns() const { return texts_; }

 private:
  struct CPattern {
    std::optional<std::string> section;  // with its brackets; none matches every section
    std::string key;
  };
  std::vector<CPattern> patterns_;
  std::vector<std::string> texts_;
};

// Whether `text` matches `pattern`, where "*" stands for any run of bytes and, with
// `questionMark`, "?" for any one byte (file names); otherwise "?" is itself.
bool GlobMatches(std::string_view pattern, std::string_view text, bool questionMark = false);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_IGNORE_H_
