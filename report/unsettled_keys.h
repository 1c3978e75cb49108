#ifndef VARNIC_REPORT_UNSETTLED_KEYS_H_
#define VARNIC_REPORT_UNSETTLED_KEYS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "model/hash_index.h"
#include "rules/primitives.h"
#include "varnic/comparison.h"
#include "varnic/sections.h"

namespace varnic::report {

// Whether row `i` holds a line of each file under one key as CFileSettings keys lines. Rows pair
// lines by the text before their "="; a line without "=" is keyed there by its whole text and a
// MAC entry by its address, so for those only the same bytes will do. A key whose rows all do has
// as many compared lines in one file as in the other.
inline bool RowSharesKey(const CSectionRows& rows, std::size_t i) {
  const auto left = rows.BucketLine(i, FileSide::kFile1);
  const auto right = rows.BucketLine(i, FileSide::kFile2);
  if (!left || !right) return false;
  return *left == *right || (!IsMacFilterSection(rows.section()) && !GetItemKey(*left).empty());
}

// The keys of one section that may hold a hidden difference: those with a line set aside that
// the other file does not set aside alike, or with a row that does not pair their lines. Any
// other key has the same lines in each file, compared and set aside, so the n-th line of it in
// one file equals the n-th in the other. Keys are those of CFileSettings::MatchKey. Its room is
// kept from section to section.
class CUnsettledKeys {
 public:
  // Starts on a section: then AddLine for each line it sets aside, in log order, and Find.
  void Clear(Section section);
  void AddLine(FileSide side, std::string_view line) { lines_[SideIndex(side)].push_back(line); }
  // Finds the keys, given the section's rows (null when it has none). False when so many lines
  // differ that a search key by key does not pay: every key is to be kept then.
  bool Find(const CSectionRows* rows);
  bool Contains(std::string_view key);

  // After a Find that paid: whether each line set aside is to be kept, per file in the order of
  // AddLine. A line is kept when its key is one Find found, or when `quoted(key)` asks for it.
  // The two lines of a pair matched in order are the same bytes: their key is read once.
  template <typename Quoted>
  void Decide(Quoted&& quoted) {
    keeps_[0].assign(lines_[0].size(), 1);
    keeps_[1].assign(lines_[1].size(), 1);
    for (std::size_t i = 0; i < lines_[0].size(); ++i) {
      if (partner_[i] == kUnmatched) continue;  // its key is one Find found
      const std::string_view key = KeyOf(lines_[0][i]);
      const std::uint8_t keep = Contains(key) || quoted(key) ? 1 : 0;
      keeps_[0][i] = keep;
      keeps_[1][partner_[i]] = keep;
    }
  }
  bool Keeps(FileSide side, std::size_t i) const { return keeps_[SideIndex(side)][i] != 0; }

 private:
  static constexpr std::uint32_t kUnmatched = UINT32_MAX;

  std::string_view KeyOf(std::string_view line) const;
  bool Add(std::string_view line);
  bool AddUnmatched();
  bool AddUnpaired(const CSectionRows& rows);

  Section section_ = Section::kSystem;
  std::array<std::vector<std::string_view>, 2> lines_;  // per file, its lines set aside
  std::vector<std::uint32_t> partner_;  // per line of file 1's, the line of file 2's it matched
  std::array<std::vector<std::uint8_t>, 2> keeps_;  // per file and line, Decide's verdict
  std::vector<std::string_view> keys_;
  std::size_t limit_ = 0;  // keys beyond which the search stops
  std::optional<CViewSet> set_;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_UNSETTLED_KEYS_H_
