#ifndef VARNIC_CHANGES_H_
#define VARNIC_CHANGES_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "varnic/sections.h"

namespace varnic {

// What a stage of the comparison did to one line before the two files were set side by side.
enum class ChangeKind : std::uint8_t {
  kUnknownSection,     // a line of a section the system does not know, its header included
  kSuperseded,         // a line of a section whose header comes again later in the file
  kBandCleared,        // band reconciliation emptied the band of the line's section
  kReconcileRemoved,   // the other device type's section lacks the line's key
  kReconcileRestored,  // put back: the file's own settings make the key relevant
  kFiltered,           // not relevant under the relevance rules that matched its section
  kRenumbered,         // a MAC filter entry now stands under another number
  kDuplicate,          // a later line of a key; only the first line of a key is compared
  kUnordered,          // a multi-SSID key that is neither Multi_Status nor of SSID1 to SSID7
};

// Whether a change of `kind` took a setting of a known section out of its bucket: the relevance
// rules, or reconciling two device types, set it aside.
inline bool TakesSettingAway(ChangeKind kind) {
  return kind == ChangeKind::kFiltered || kind == ChangeKind::kBandCleared ||
         kind == ChangeKind::kReconcileRemoved;
}

// A change as it is read; the log keeps it in 16 bytes (12 on 32-bit targets), see CChangeList.
struct CChange {
  std::string_view line;     // the line concerned; for a renumbering the line before
  std::uint32_t detail = 0;  // where the log keeps the rest: see CChangeLog::RuleSet and After
  ChangeKind kind = ChangeKind::kFiltered;
  FileSide file = FileSide::kFile1;
  std::optional<Section> section;  // none for a line of an unknown section
};

inline CChange MakeChange(ChangeKind kind, FileSide file, std::optional<Section> section,
                          std::string_view line) {
  CChange change;
  change.kind = kind;
  change.file = file;
  change.section = section;
  change.line = line;
  return change;
}

static_assert(sizeof(CChange) == sizeof(std::string_view) + 8);

// Raw room for `bytes`, which a block list fills as it grows; large blocks ask for huge pages.
// Freed by DeleteListBlock with the same `bytes`.
void* NewListBlock(std::size_t bytes);
void DeleteListBlock(void* block, std::size_t bytes) noexcept;

// Values in blocks that never move, each twice the size of the one before: a log of a million
// changes grows without copying itself, in a few dozen allocations (a deque made one of 512
// bytes for every 21 changes), and the room a block has not used yet is never touched. Read
// like a deque: in order, by position, by size. For trivially copyable values only.
template <typename T>
class CBlockList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;
    const_iterator() = default;
    const_iterator(const CBlockList* list, std::size_t i) : list_(list), i_(i) { Locate(); }
    const T& operator*() const { return *at_; }
    const T* operator->() const { return at_; }
    const_iterator& operator++() {
      ++i_;
      if (++at_ == blockEnd_) Locate();
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const const_iterator& other) const { return i_ == other.i_; }

   private:
    void Locate() {
      if (list_ == nullptr || i_ >= list_->size_) return;
      const std::size_t block = BlockOf(i_);
      const std::size_t first = FirstOf(block);
      at_ = list_->blocks_[block].get() + (i_ - first);
      blockEnd_ = list_->blocks_[block].get() + (FirstOf(block + 1) - first);
    }
    const CBlockList* list_ = nullptr;
    std::size_t i_ = 0;
    const T* at_ = nullptr;
    const T* blockEnd_ = nullptr;
  };
  using iterator = const_iterator;
  using value_type = T;
  using size_type = std::size_t;

  CBlockList() = default;
  CBlockList(CBlockList&& other) noexcept { *this = std::move(other); }
  CBlockList& operator=(CBlockList&& other) noexcept {
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    last_ = std::exchange(other.last_, nullptr);
    room_ = std::exchange(other.room_, nullptr);
    size_ = std::exchange(other.size_, 0);
    return *this;
  }
  ~CBlockList() = default;

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const T& operator[](std::size_t i) const {
    const std::size_t block = BlockOf(i);
    return blocks_[block][i - FirstOf(block)];
  }
  const T& front() const { return (*this)[0]; }
  const T& back() const { return *last_; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

  void push_back(const T& value) {
    if (last_ == nullptr || last_ + 1 == room_) {
      const std::size_t count = std::size_t{1} << (kFirstBits + blocks_.size());
      last_ = static_cast<T*>(NewListBlock(count * sizeof(T)));
      blocks_.emplace_back(last_, CFree{count * sizeof(T)});
      room_ = last_ + count;
    } else {
      ++last_;
    }
    ::new (static_cast<void*>(last_)) T(value);
    ++size_;
  }

 private:
  static constexpr unsigned kFirstBits = 8;  // the first block holds 256 values
  // Block b holds the values from FirstOf(b) on, 2^(kFirstBits + b) of them.
  static std::size_t BlockOf(std::size_t i) {
    return static_cast<std::size_t>(std::bit_width((i >> kFirstBits) + 1)) - 1;
  }
  static std::size_t FirstOf(std::size_t block) {
    return ((std::size_t{1} << block) - 1) << kFirstBits;
  }
  struct CFree {
    std::size_t bytes;
    void operator()(T* block) const { DeleteListBlock(block, bytes); }
  };

  std::vector<std::unique_ptr<T[], CFree>> blocks_;
  T* last_ = nullptr;  // the last value stored
  T* room_ = nullptr;  // the end of the last block
  std::size_t size_ = 0;
};

// One change of a CChangeList.
struct CChangeRecord {
  const char* data;
  std::uint32_t size;
  std::uint32_t bits;
};
static_assert(sizeof(CChangeRecord) == sizeof(const char*) + 8);

// The changes of a log, each kept in 16 bytes where a CChange takes 24: a large backup logs a
// change for most of its lines, and a million of them took a sixth of a large comparison's peak
// memory. Read like a CBlockList, but by value: a change read is made from its record, so it has no
// address of its own. A record stays where it is while the list lives: a reader that comes back
// to a change keeps its record (Record, Read). A change's line is the logged bytes.
class CChangeList {
 public:
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using iterator_concept = std::forward_iterator_tag;
    using value_type = CChange;
    using difference_type = std::ptrdiff_t;
    using reference = CChange;
    const_iterator() = default;
    const_iterator(const CChangeList* list, CBlockList<CChangeRecord>::const_iterator at)
        : list_(list), at_(at) {}
    CChange operator*() const { return list_->Read(*at_); }
    const CChangeRecord& Record() const { return *at_; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const const_iterator& other) const { return at_ == other.at_; }

   private:
    const CChangeList* list_ = nullptr;
    CBlockList<CChangeRecord>::const_iterator at_;
  };
  using iterator = const_iterator;
  using value_type = CChange;
  using size_type = std::size_t;

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  CChange operator[](std::size_t i) const { return Read(records_[i]); }
  std::string_view LineAt(std::size_t i) const { return LineOf(records_[i]); }
  CChange front() const { return (*this)[0]; }
  CChange back() const { return Read(records_.back()); }
  const_iterator begin() const { return {this, records_.begin()}; }
  const_iterator end() const { return {this, records_.end()}; }
  // Calls `visit(change)` for each change, in order, whose kind `wanted(kind)` accepts: a reader
  // that looks for a few kinds among a million changes reads only those whole.
  template <typename Wanted, typename Visit>
  void ForEachOfKind(Wanted&& wanted, Visit&& visit) const {
    for (const CChangeRecord& record : records_) {
      const std::uint32_t kind = KindBits(record);
      if (kind == kEscape) {
        const CChange& change = whole_[record.size];
        if (wanted(change.kind)) visit(change);
      } else if (wanted(static_cast<ChangeKind>(kind))) {
        visit(Read(record));
      }
    }
  }
  // Its line alone, for a reader that needs no more.
  std::string_view LineOf(const CChangeRecord& record) const {
    if (KindBits(record) == kEscape) return whole_[record.size].line;
    return {record.data, record.size};
  }
  // The change a record of this list holds.
  CChange Read(const CChangeRecord& record) const {
    if (KindBits(record) == kEscape) return whole_[record.size];
    CChange change;
    change.line = std::string_view(record.data, record.size);
    change.detail = record.bits >> kDetailShift;
    change.kind = static_cast<ChangeKind>(KindBits(record));
    change.file = static_cast<FileSide>(1U + ((record.bits >> kSideShift) & 1U));
    const std::uint32_t section = (record.bits >> kSectionShift) & ((1U << kSectionBits) - 1);
    if (section != 0) change.section = static_cast<Section>(section - 1);
    return change;
  }

  void push_back(const CChange& change) {
    const std::uint32_t section =
        change.section ? static_cast<std::uint32_t>(*change.section) + 1 : 0;
    const auto kind = static_cast<std::uint32_t>(change.kind);
    if (change.detail < (std::uint32_t{1} << kDetailBits) && kind < kEscape &&
        section < (1U << kSectionBits) &&
        (static_cast<std::uint64_t>(change.line.size()) >> 32U) == 0) {
      const std::uint32_t side = change.file == FileSide::kFile2 ? 1 : 0;
      records_.push_back({change.line.data(), static_cast<std::uint32_t>(change.line.size()),
                          (change.detail << kDetailShift) | (section << kSectionShift) |
                              (side << kSideShift) | kind});
      return;
    }
    // What does not fit a record (a detail past eight million) is kept whole.
    records_.push_back({nullptr, static_cast<std::uint32_t>(whole_.size()), kEscape});
    whole_.push_back(change);
  }

 private:
  // Bits of a record, low to high: the kind (4; kEscape: kept whole), file 2 (1), the section
  // plus one, 0 for none (4), the detail (23).
  static constexpr unsigned kSideShift = 4;
  static constexpr unsigned kSectionShift = 5;
  static constexpr unsigned kSectionBits = 4;
  static constexpr unsigned kDetailShift = 9;
  static constexpr unsigned kDetailBits = 23;
  static constexpr std::uint32_t kKindMask = 0xF;
  static constexpr std::uint32_t kEscape = kKindMask;  // every kind bit set: kept whole
  static std::uint32_t KindBits(const CChangeRecord& record) { return record.bits & kKindMask; }
  static_assert(kSectionCount < (1U << kSectionBits));
  static_assert(static_cast<unsigned>(FileSide::kFile2) ==
                1U + static_cast<unsigned>(FileSide::kFile1));

  CBlockList<CChangeRecord> records_;
  std::vector<CChange> whole_;
};

class CChangeLog;

// Hears of every change as a stage makes it, for a front end that streams. Nothing needs it to
// learn what a comparison holds: the comparison keeps the same changes.
class CCompareObserver {
 public:
  virtual ~CCompareObserver() = default;
  virtual void OnChange(const CChange& change, const CChangeLog& log) = 0;
};

// The changes of one comparison in the order the stages made them, with the rule sets that
// filtered lines refer to. The views point into the comparison's input buffers and arena.
class CChangeLog {
 public:
  // `observer`, when given, must outlive the log's use of it.
  explicit CChangeLog(CCompareObserver* observer = nullptr) : observer_(observer) {}

  void Add(const CChange& change) {
    changes_.push_back(change);
    if (observer_ != nullptr) observer_->OnChange(changes_.back(), *this);
  }
  // Logs that `change.line` became `after`.
  void AddRenumbered(CChange change, std::string_view after) {
    change.detail = static_cast<std::uint32_t>(afters_.size());
    afters_.push_back(after);
    Add(change);
  }
  // Stores the indices (into the section's rule list) of the rules that matched a bucket, for
  // the kFiltered changes that pass the result as their `detail`.
  std::uint32_t AddRuleSet(std::vector<std::uint16_t> rules) {
    ruleSets_.push_back(std::move(rules));
    return static_cast<std::uint32_t>(ruleSets_.size() - 1);
  }
  void DetachObserver() { observer_ = nullptr; }

  const CChangeList& Changes() const { return changes_; }
  // The rules that matched the bucket of a kFiltered change.
  std::span<const std::uint16_t> RuleSet(const CChange& filtered) const {
    return ruleSets_[filtered.detail];
  }
  // The line a kRenumbered change left in place of its line.
  std::string_view After(const CChange& renumbered) const { return afters_[renumbered.detail]; }

 private:
  CChangeList changes_;
  std::vector<std::vector<std::uint16_t>> ruleSets_;
  CBlockList<std::string_view> afters_;
  CCompareObserver* observer_;
};

}  // namespace varnic

#endif  // VARNIC_CHANGES_H_
