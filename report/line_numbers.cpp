#include "report/line_numbers.h"

#include <algorithm>
#include <functional>

#include "model/byte_search.h"

namespace varnic::report {

CLineNumbers::CLineNumbers(const CComparison& comparison, bool count, bool countFile1)
    : comparison_(comparison) {
  for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
    if (!count) break;
    if (side == FileSide::kFile1 && !countFile1) continue;
    const std::string_view text = comparison.Text(side);
    std::vector<std::uint32_t>& newlines = newlines_[SideIndex(side)];
    newlines.reserve(comparison.LinesRead(side));
    // Eight bytes at a time: a call of memchr for each short line cost more than its search.
    ForEachByte(text, '\n',
                [&](std::size_t at) { newlines.push_back(static_cast<std::uint32_t>(at)); });
    // Where each block of the text starts among the line ends: a look-up then searches the few
    // line ends of one block, not all of them (a report asks for every line's number).
    std::vector<std::uint32_t>& blocks = blocks_[SideIndex(side)];
    const std::size_t count = (text.size() >> kBlockBits) + 1;
    blocks.reserve(count + 1);
    std::size_t i = 0;
    for (std::size_t b = 0; b < count; ++b) {
      while (i < newlines.size() && (newlines[i] >> kBlockBits) < b) ++i;
      blocks.push_back(static_cast<std::uint32_t>(i));
    }
    blocks.push_back(static_cast<std::uint32_t>(newlines.size()));
  }
  const CChangeLog& log = comparison.Changes();
  log.Changes().ForEachOfKind(
      [](ChangeKind kind) { return kind == ChangeKind::kRenumbered; },
      [&](const CChange& change) { renumbered_.emplace(log.After(change).data(), change.line); });
}

std::uint32_t CLineNumbers::Of(FileSide side, std::string_view line) const {
  const std::vector<std::uint32_t>& blocks = blocks_[SideIndex(side)];
  if (blocks.empty()) return 0;  // not counted
  const std::string_view text = comparison_.Text(side);
  const char* at = line.data();
  // Views compare as addresses: std::less orders pointers into unrelated arrays too.
  const std::less<> before;
  if (before(at, text.data()) || !before(at, text.data() + text.size())) {
    const auto original = renumbered_.find(at);
    if (original == renumbered_.end()) return 0;
    at = original->second.data();
    if (before(at, text.data()) || !before(at, text.data() + text.size())) return 0;
  }
  const auto offset = static_cast<std::uint32_t>(at - text.data());
  const std::vector<std::uint32_t>& newlines = newlines_[SideIndex(side)];
  const std::size_t block = offset >> kBlockBits;
  const auto first = newlines.begin() + blocks[block];
  const auto last = newlines.begin() + blocks[block + 1];
  // One more than the number of line ends before the line.
  return static_cast<std::uint32_t>(std::lower_bound(first, last, offset) - newlines.begin() + 1);
}

std::string_view CLineNumbers::Original(std::string_view line) const {
  if (renumbered_.empty()) return line;
  const auto original = renumbered_.find(line.data());
  return original == renumbered_.end() ? line : original->second;
}

}  // namespace varnic::report
