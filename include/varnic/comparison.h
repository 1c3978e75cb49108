#ifndef VARNIC_COMPARISON_H_
#define VARNIC_COMPARISON_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic {

enum class RowKind : std::uint8_t { kSame, kDifferent, kOnlyLeft, kOnlyRight };

// One setting of a section as the two files hold it after every stage. `left` and `right` are
// the lines as they were compared, "key=value" (a line without "=" is compared as "="), and are
// absent where that file lacks the key. Views into the comparison.
struct CRow {
  Section section;
  std::string_view key;
  std::optional<std::string_view> left;
  std::optional<std::string_view> right;
  RowKind kind;
};

// The rows of one section, in output order: file 1's keys in its order, then the keys only file
// 2 has; in a multi-SSID section Multi_Status and then the SSID1 to SSID7 runs.
class CSectionRows {
 public:
  static constexpr std::uint32_t kAbsent = UINT32_MAX;
  // Positions in the section's buckets of file 1 and file 2, and what the pair says.
  struct CPair {
    std::uint32_t left = kAbsent;
    std::uint32_t right = kAbsent;
    RowKind kind = RowKind::kSame;
    // Bit 1 for file 1, 2 for file 2: that file's line holds no "=" and stands as "=". Alignment
    // knows it from the key it found, and saving a million lines need not search each again.
    std::uint8_t noEquals = 0;
  };
  static constexpr std::uint8_t SideBit(FileSide side) { return side == FileSide::kFile1 ? 1 : 2; }

  // `left` and `right` are the section's buckets; they must outlive the rows.
  CSectionRows(Section section, const CLines& left, const CLines& right, std::vector<CPair> pairs)
      : section_(section), left_(&left), right_(&right), pairs_(std::move(pairs)) {}

  Section section() const { return section_; }
  std::size_t size() const { return pairs_.size(); }
  CRow operator[](std::size_t i) const;
  // What row i says, without forming the row.
  RowKind kind(std::size_t i) const { return pairs_[i].kind; }
  // The line of row i as the file's bucket holds it (a row shows a line without "=" as "="),
  // or none where that file lacks the key.
  std::optional<std::string_view> BucketLine(std::size_t i, FileSide side) const {
    const std::uint32_t at = side == FileSide::kFile1 ? pairs_[i].left : pairs_[i].right;
    if (at == kAbsent) return std::nullopt;
    return (*(side == FileSide::kFile1 ? left_ : right_))[at];
  }
  // The line of row i as the row shows it: a line without "=" as "=".
  std::optional<std::string_view> ComparedLine(std::size_t i, FileSide side) const {
    const std::optional<std::string_view> line = BucketLine(i, side);
    if (line && (pairs_[i].noEquals & SideBit(side)) != 0) return std::string_view("=");
    return line;
  }

  class iterator {
   public:
    using value_type = CRow;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    iterator(const CSectionRows* rows, std::size_t i) : rows_(rows), i_(i) {}
    CRow operator*() const { return (*rows_)[i_]; }
    iterator& operator++() {
      ++i_;
      return *this;
    }
    iterator operator++(int) {
      iterator before = *this;
      ++i_;
      return before;
    }
    bool operator==(const iterator& other) const { return i_ == other.i_; }

   private:
    const CSectionRows* rows_ = nullptr;
    std::size_t i_ = 0;
  };
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, pairs_.size()}; }

 private:
  Section section_;
  const CLines* left_;
  const CLines* right_;
  std::vector<CPair> pairs_;
};

// The comparison of two backups as data: the aligned rows per section in output order, and what
// each stage took away or changed before the rows were formed. A move-only value; everything it
// hands out (rows, lines, changes) is a view into it and lives as long as it does, moves included.
class CComparison {
 public:
  struct CState;
  explicit CComparison(std::unique_ptr<CState> state);
  CComparison(CComparison&&) noexcept;
  CComparison& operator=(CComparison&&) noexcept;
  ~CComparison();

  std::int32_t Type(FileSide side) const;
  // The bytes the file held, and how many lines.
  std::string_view Text(FileSide side) const;
  std::size_t LinesRead(FileSide side) const;
  // The file's sections after every stage, the normalized file.
  const CSectionBuckets& Buckets(FileSide side) const;
  // True when no known section of the file has a line left: there is nothing to compare, and
  // by design there are then no rows at all.
  bool HasNoSettings(FileSide side) const;

  const std::vector<CSectionRows>& Sections() const;
  // What the stages took away or changed, in the order they did it.
  const CChangeLog& Changes() const;

  bool HasDifferences() const;
  // The number of lines of each marked result: a header per section and a line per row.
  std::size_t ResultLineCount() const;

 private:
  std::unique_ptr<CState> state_;
};

}  // namespace varnic

#endif  // VARNIC_COMPARISON_H_
