#ifndef VARNIC_REPORT_LINE_NUMBERS_H_
#define VARNIC_REPORT_LINE_NUMBERS_H_

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "varnic/comparison.h"

namespace varnic::report {

// The line number, in the file as read, of a line view the comparison hands out. A MAC filter
// entry matched under another number is a new line: it takes the number of the line it replaced.
class CLineNumbers {
 public:
  // `comparison` must outlive the object. Without `count`, only renumbered MAC filter entries
  // are looked up (Original) and every line's number is 0: for outputs that show no numbers,
  // finding every line end of both files was a tenth of their time. Without `countFile1`, only
  // file 2's lines are numbered.
  explicit CLineNumbers(const CComparison& comparison, bool count = true, bool countFile1 = true);

  // From 1; 0 when `line` is not a line of the file (an empty result, or text made up).
  std::uint32_t Of(FileSide side, std::string_view line) const;
  // The line as the file held it: for a renumbered MAC filter entry the entry it replaced,
  // else `line` itself.
  std::string_view Original(std::string_view line) const;
  bool HasRenumbered() const { return !renumbered_.empty(); }

 private:
  const CComparison& comparison_;
  static constexpr unsigned kBlockBits = 6;             // blocks of 64 bytes
  std::array<std::vector<std::uint32_t>, 2> newlines_;  // offsets of '\n', per file
  // Per file and block: the index of the first line end at or after the block's start; one more
  // entry than blocks, the count of line ends.
  std::array<std::vector<std::uint32_t>, 2> blocks_;
  std::unordered_map<const char*, std::string_view> renumbered_;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_LINE_NUMBERS_H_
