#include "rules/filter.h"

#include <algorithm>
#include <optional>
#include <span>

#include "rules/primitives.h"
#include "rules/rule_lists.h"

namespace varnic {
namespace {

// Scans of the keep list allowed before the substring set pays for itself.
constexpr std::size_t kScansBeforeIndex = 64;
// Unused room of a filtered bucket worth returning: below it the copy would cost more than it
// saves.
constexpr std::size_t kReturnedRoom = std::size_t{256} << 10U;

// The keys the rules `matching` (positions in `rules`, as MatchingRules gives them) name: the
// list FilterBucket keeps lines by. Empty when they name none, and the bucket then stays whole.
CKeepList KeepListOf(const CRuleList& rules, std::span<const std::uint16_t> matching) {
  // Most buckets match one rule: its own key set answers, and a small backup's filter section
  // no longer hashes the 257 keys of its rule for each file.
  if (matching.size() == 1) return CKeepList(rules[matching.front()]);
  CKeepList keep;
  std::size_t keys = 0;
  for (const std::uint16_t i : matching) keys += rules[i].Keys().size();
  keep.Reserve(keys);
  for (const std::uint16_t i : matching) {
    for (const std::string_view key : rules[i].Keys()) keep.Add(key);
  }
  return keep;
}

// Removes the lines of `bucket` that no matching rule keeps, calling `drop(line, matching)` for
// each in order, and returns the matching rules.
template <typename Drop>
std::vector<std::uint16_t> FilterBucketWith(CLines& bucket, const CRuleList& rules, Drop&& drop) {
  std::vector<std::uint16_t> matching = MatchingRules(bucket, rules);
  CKeepList keep = KeepListOf(rules, matching);
  // A matching rule that names no key leaves nothing to keep by; the bucket then survives whole,
  // as it does when no rule matches.
  if (keep.Empty()) return matching;
  std::size_t kept = 0;
  for (const std::string_view line : bucket) {
    if (keep.Contains(GetItemKey(line))) {
      bucket[kept++] = line;
    } else {
      drop(line, matching);
    }
  }
  bucket.resize(kept);
  // A large bucket mostly set aside gives its room back now: the comparison's peak comes later,
  // while the rows are aligned, and would otherwise count the room of every line set aside.
  if ((bucket.capacity() - kept) * sizeof(std::string_view) >= kReturnedRoom)
    bucket.shrink_to_fit();
  return matching;
}

void FilterFile(FileSide side, CSectionBuckets& buckets, CChangeLog& log) {
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (!entry.filtered) continue;
    // Dropped lines go to the log as they are found, not through a list of their own: a large
    // backup drops hundreds of thousands. The rule set is stored with the first of them.
    std::optional<std::uint32_t> ruleSet;
    FilterBucketWith(buckets[entry.section], *entry.rules,
                     [&](std::string_view line, const std::vector<std::uint16_t>& matching) {
                       if (!ruleSet) ruleSet = log.AddRuleSet(matching);
                       CChange change =
                           MakeChange(ChangeKind::kFiltered, side, entry.section, line);
                       change.detail = *ruleSet;
                       log.Add(change);
                     });
  }
}

}  // namespace

void CKeepList::Reserve(std::size_t keys) {
  exact_ = CViewSet(keys);
  entries_.reserve(keys);
}

void CKeepList::Add(std::string_view key) {
  if (!exact_.Insert(key)) return;
  entries_.push_back(key);
  longest_ = std::max(longest_, key.size());
}

bool CKeepList::Contains(std::string_view key) {
  if (rule_ != nullptr) return rule_->KeyWithin(key);
  if (key.size() > longest_) return false;
  // Once built, the index of every substring (the entries themselves among them) answers alone,
  // as a rule's own does: a line the list drops would otherwise pay for two look-ups.
  if (!substrings_.Empty()) return substrings_.Contains(key);
  if (exact_.Contains(key)) return true;
  if (++scans_ > kScansBeforeIndex) {
    for (const std::string_view entry : entries_) InsertSubstrings(entry, substrings_);
    return substrings_.Contains(key);
  }
  return std::any_of(entries_.begin(), entries_.end(), [&](std::string_view entry) {
    return entry.find(key) != std::string_view::npos;
  });
}

std::vector<std::uint16_t> MatchingRules(const CLines& bucket, const CRuleList& rules) {
  std::vector<std::uint16_t> matching;
  if (bucket.empty()) return matching;
  CConditionMemo memo(bucket, rules, Wildcard::kAny);
  for (std::size_t i = 0; i < rules.size(); ++i) {
    if (memo.RuleHolds(rules[i])) matching.push_back(static_cast<std::uint16_t>(i));
  }
  return matching;
}

std::vector<std::uint16_t> FilterBucket(CLines& bucket, const CRuleList& rules, CLines& dropped) {
  return FilterBucketWith(bucket, rules, [&](std::string_view line, const auto& /*matching*/) {
    dropped.push_back(line);
  });
}

void FilterSections(CSectionBuckets& file1, CSectionBuckets& file2, CChangeLog& log) {
  FilterFile(FileSide::kFile1, file1, log);
  FilterFile(FileSide::kFile2, file2, log);
}

}  // namespace varnic
