#ifndef VARNIC_ENGINE_PREPARED_FILE_H_
#define VARNIC_ENGINE_PREPARED_FILE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/align.h"
#include "varnic/changes.h"
#include "varnic/compare.h"
#include "varnic/comparison.h"
#include "varnic/sections.h"

namespace varnic {

// A whole line, its end included, of a file derived from another, and the line of the other it
// stands in for: byte offsets and sizes in each.
struct CReplacedLine {
  std::size_t baseOffset = 0;
  std::size_t baseSize = 0;
  std::size_t offset = 0;
  std::size_t size = 0;
};

// File 1 of many comparisons, analysed once: its bytes split into sections and filtered by the
// relevance rules, with what both stages logged. A fleet compares thousands of backups with one
// baseline; each comparison then starts from this analysis instead of redoing it. Immutable once
// made, so threads share it without locks.
class CPreparedFile {
  struct CPassKey {};  // only Split and Derive construct one

 public:
  // Takes the bytes of `input` over (its type is not used: each comparison gives its own).
  static std::shared_ptr<const CPreparedFile> Make(CInput input);
  // The analysis of `input`, which is `base`'s bytes with the lines `replaced` (in file order,
  // one line each) put in place of some of base's: base's split taken over, and a section
  // filtered afresh only where a replaced line holds a key its rules test. The same analysis as
  // Make(input) gives, change for change; when `input` is not such a file, that of Make. A fleet
  // renders one template per device, which differs from device to device in a few lines only.
  static std::shared_ptr<const CPreparedFile> Derive(
      const std::shared_ptr<const CPreparedFile>& base, CInput input,
      std::span<const CReplacedLine> replaced);
  // The analysis of `input`, any file, taken from `base`'s where they agree: split afresh, and a
  // section filtered afresh only where the lines it holds that base's does not (or base's holds
  // and it does not) may change which rules match it; elsewhere the rules base's matched decide
  // its new lines, and its other lines fare as they did in base. The same analysis as
  // Make(input) gives, change for change, however the files differ. A fix edits a device's
  // backup in a few lines, which its check then analyses again. `base`'s bytes must outlive
  // the call only.
  static std::shared_ptr<const CPreparedFile> Revise(const CPreparedFile& base, CInput input);
  explicit CPreparedFile(CPassKey /*unused*/) {}
  // Its views and alignment passes point into itself.
  CPreparedFile(const CPreparedFile&) = delete;
  CPreparedFile& operator=(const CPreparedFile&) = delete;

  std::string_view Text() const { return bytes_; }
  // Whether comparing this file with `other`, the two read as one device type, is sure to find
  // every compared setting alike: each section keeps the same lines in both, so each line is
  // aligned with itself. Outside the MAC filter sections (whose entries are renumbered by their
  // order) the lines may stand in another order where no key is held twice. Told without
  // comparing; false leaves it to a comparison. The check of a fix finds most fixes settled so.
  bool KeepsSameLines(const CPreparedFile& other) const;

 private:
  friend CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                             CInput input2, CCompareObserver* observer);
  friend CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                             const std::shared_ptr<const CPreparedFile>& file2, std::int32_t type2,
                             CCompareObserver* observer);

  void Own(CInput& input);
  // `input` held and split, its filtered buckets still the split ones: where Make and Revise start.
  static std::shared_ptr<CPreparedFile> Split(CInput input);
  // Records the filtering of `section`: `matching` the rules that matched it, `dropped` the lines
  // they set aside, in file order. Sections are recorded in the rule table's order.
  void Record(Section section, std::vector<std::uint16_t> matching, const CLines& dropped);

  std::string text_;
  std::shared_ptr<const void> owner_;  // of bytes not in `text_`
  std::string_view bytes_;
  std::size_t lines_ = 0;
  CSectionBuckets split_;     // as split: the start when the types differ (reconciled first)
  CSectionBuckets filtered_;  // then filtered: the start when they are the same
  std::vector<CChange> splitChanges_;
  std::vector<CChange> filterChanges_;
  std::vector<std::vector<std::uint16_t>> ruleSets_;  // of filterChanges_, by their detail
  std::array<std::vector<std::uint16_t>, kSectionCount> matching_;  // of each filtered section
  // File 1's halves of aligning `filtered_`, for a file made to be file 1 of many comparisons.
  CLeftPasses leftPasses_;
};

// The same comparison as Compare(file 1's input, input2, observer) gives, byte for byte and change
// for change, with file 1 analysed beforehand. The comparison keeps `file1` alive.
CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                    CInput input2, CCompareObserver* observer = nullptr);
// The same with file 2 analysed beforehand too (as a file 1 is: its type given here). The
// comparison keeps both alive.
CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                    const std::shared_ptr<const CPreparedFile>& file2, std::int32_t type2,
                    CCompareObserver* observer = nullptr);

}  // namespace varnic

#endif  // VARNIC_ENGINE_PREPARED_FILE_H_
