#ifndef VARNIC_RULES_FILTER_H_
#define VARNIC_RULES_FILTER_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "model/hash_index.h"
#include "rules/rule.h"
#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic {

// The keys that the matching rules of a bucket name. A line's key is relevant when it lies within
// some entry (a substring test, not equality).
class CKeepList {
 public:
  CKeepList() = default;
  // The keys of `rule` alone, answered by the rule itself (its index outlives the list); `rule`
  // must outlive the list, and Add is not called on it.
  explicit CKeepList(const CRule& rule) : rule_(&rule) {}

  // Room for `keys` keys at once: a backup's buckets build a few lists each.
  void Reserve(std::size_t keys);
  void Add(std::string_view key);
  bool Empty() const { return rule_ != nullptr ? rule_->Keys().empty() : entries_.empty(); }
  bool Contains(std::string_view key);

 private:
  const CRule* rule_ = nullptr;
  std::vector<std::string_view> entries_;
  std::size_t longest_ = 0;  // no longer key lies within an entry
  CViewSet exact_;
  // Built once enough keys were not found by equality: every substring of every entry, so a
  // large bucket of unlisted keys costs one lookup a line instead of a scan of the list.
  CViewSet substrings_;
  std::size_t scans_ = 0;
};

// The positions (in `rules`) of the rules that match `bucket`, in list order; "*" is a whole
// field wildcard here.
std::vector<std::uint16_t> MatchingRules(const CLines& bucket, const CRuleList& rules);

// Removes the lines of `bucket` whose keys no matching rule names; survivors keep their order.
// When no rule matches the bucket stays whole. Returns the positions of the matching rules and
// appends the removed lines to `dropped`.
std::vector<std::uint16_t> FilterBucket(CLines& bucket, const CRuleList& rules, CLines& dropped);

// Filters the governed buckets of both files, file 1 first, logging every dropped line with the
// rules that matched its bucket.
void FilterSections(CSectionBuckets& file1, CSectionBuckets& file2, CChangeLog& log);

}  // namespace varnic

#endif  // VARNIC_RULES_FILTER_H_
