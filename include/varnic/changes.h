#ifndef VARNIC_CHANGES_H_
#define VARNIC_CHANGES_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string_view>
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

// 24 bytes (16 on 32-bit targets): a large backup may log a change for most of its lines.
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

  // A deque: a log of a million changes grows without copying itself or doubling its memory.
  const std::deque<CChange>& Changes() const { return changes_; }
  // The rules that matched the bucket of a kFiltered change.
  std::span<const std::uint16_t> RuleSet(const CChange& filtered) const {
    return ruleSets_[filtered.detail];
  }
  // The line a kRenumbered change left in place of its line.
  std::string_view After(const CChange& renumbered) const { return afters_[renumbered.detail]; }

 private:
  std::deque<CChange> changes_;
  std::vector<std::vector<std::uint16_t>> ruleSets_;
  std::vector<std::string_view> afters_;
  CCompareObserver* observer_;
};

}  // namespace varnic

#endif  // VARNIC_CHANGES_H_
