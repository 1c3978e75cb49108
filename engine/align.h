#ifndef VARNIC_ENGINE_ALIGN_H_
#define VARNIC_ENGINE_ALIGN_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "model/hash_index.h"
#include "varnic/changes.h"
#include "varnic/comparison.h"
#include "varnic/sections.h"

namespace varnic {

// Sets the two normalized files side by side: one CSectionRows per section that either file has,
// file 1's sections first, then those only file 2 has, each in emission order. Within a section
// a key takes part once, with its first line in each file; later lines of a key are logged as
// duplicates, and in the multi-SSID sections keys outside Multi_Status and SSID1 to SSID7 are
// logged as left out. When either file has no line at all there are no sections. The rows refer
// to the buckets, which must outlive them.
std::vector<CSectionRows> AlignSections(const CSectionBuckets& file1, const CSectionBuckets& file2,
                                        CChangeLog& log);

// File 1's half of aligning one section's lines: a row for each key in the order the keys first
// come, the index that finds them, and the lines that repeat a key. The same for every file 2,
// so a file that is file 1 of many comparisons (a fleet's baseline) makes it once.
struct CLeftPass {
  // The lines it was made from, which must outlive it: it serves those very lines only.
  const CLines* lines = nullptr;
  std::vector<CSectionRows::CPair> pairs;
  CHashIndex index;
  std::uint32_t keyless = CSectionRows::kAbsent;  // the pair of the empty key
  std::vector<std::uint32_t> duplicates;          // lines, in order
};
using CLeftPasses = std::array<std::optional<CLeftPass>, kSectionCount>;

// The passes of file 1's sections that the stages before alignment leave as filtered: all but
// the MAC filter lists, whose entries are renumbered to meet file 2's.
CLeftPasses LeftPassesOf(const CSectionBuckets& file1);

// AlignSections, taking file 1's half of a section from `passes` where the section's lines are
// those it was made from. The same rows and the same log.
std::vector<CSectionRows> AlignSections(const CSectionBuckets& file1, const CSectionBuckets& file2,
                                        CChangeLog& log, const CLeftPasses* passes);

// The text a line is compared as: key "=" value, which is the line itself when it has a "=".
std::string_view ComparedText(std::string_view line);

// The text a marked result shows after the mark: trailing spaces are stripped where both files
// have the key (they take no part in the comparison), and kept where only one has it.
// Inline for the common line that ends in no space: every row of a save asks it.
inline std::string_view TrimTrailingSpaces(std::string_view line) {
  if (!line.ends_with(' ')) return line;
  const std::size_t end = line.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
}

}  // namespace varnic

#endif  // VARNIC_ENGINE_ALIGN_H_
