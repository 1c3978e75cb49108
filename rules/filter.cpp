#include "rules/filter.h"

#include <algorithm>
#include <array>
#include <utility>

#include "rules/primitives.h"

namespace varnic {
namespace {

bool RuleMatches(const CLineList& bucket, std::string_view rule) {
  return RuleHolds(bucket, rule, Wildcard::kAny);
}

// The keys named by the rules that match, in order; empty when none matches.
std::vector<std::string> KeysOfMatchingRules(const CLineList& bucket, const CLineList& rules) {
  std::vector<std::string> keep;
  for (const std::string& rule : rules) {
    if (!RuleMatches(bucket, rule)) continue;
    int cursor = 0;
    for (std::string_view key = GetNextRuleKey(rule, cursor); !key.empty();
         key = GetNextRuleKey(rule, cursor)) {
      keep.emplace_back(key);
    }
  }
  return keep;
}

struct FilteredBucket {
  Section section;
  const CLineList CRuleLists::*rules;
};

constexpr std::array<FilteredBucket, 7> kFilteredBuckets = {{
    {Section::kSystem, &CRuleLists::system},
    {Section::k5GHzSecurity, &CRuleLists::security},
    {Section::k24GHzSecurity, &CRuleLists::security},
    {Section::k5GHzFilter, &CRuleLists::filter},
    {Section::k24GHzFilter, &CRuleLists::filter},
    {Section::k5GHzMultiSSID, &CRuleLists::multiSsid},
    {Section::k24GHzMultiSSID, &CRuleLists::multiSsid},
}};

void FilterFile(FileSide side, CSectionBuckets& buckets, const CRuleLists& rules,
                CCompareObserver* observer) {
  CLineList dropped;
  for (const auto& [section, list] : kFilteredBuckets) {
    const CLineList& ruleList = rules.*list;
    if (observer == nullptr) {
      FilterBucket(buckets[section], ruleList);
      continue;
    }
    dropped.clear();
    const CLineList matching = MatchingRules(buckets[section], ruleList);
    FilterBucket(buckets[section], ruleList, &dropped);
    for (const std::string& line : dropped) observer->OnLineFiltered(side, section, line, matching);
  }
}

}  // namespace

std::vector<std::string> CollectRelevantKeys(const CLineList& bucket, const CLineList& rules) {
  std::vector<std::string> keep = KeysOfMatchingRules(bucket, rules);
  if (keep.empty()) {
    for (const std::string& line : bucket) keep.emplace_back(GetItemKey(line));
  }
  return keep;
}

CLineList MatchingRules(const CLineList& bucket, const CLineList& rules) {
  CLineList matching;
  for (const std::string& rule : rules) {
    if (RuleMatches(bucket, rule)) matching.push_back(rule);
  }
  return matching;
}

bool IsRelevantKey(std::string_view key, const std::vector<std::string>& keep) {
  return std::any_of(keep.begin(), keep.end(), [&](const std::string& entry) {
    return entry.find(key) != std::string::npos;
  });
}

void FilterBucket(CLineList& bucket, const CLineList& rules, CLineList* dropped) {
  // When no rule matches, the keep list is every key of the bucket and every line survives;
  // skipping that pass keeps a large unruled section linear.
  const std::vector<std::string> keep = KeysOfMatchingRules(bucket, rules);
  if (keep.empty()) return;
  const auto firstDropped = std::stable_partition(
      bucket.begin(), bucket.end(),
      [&](const std::string& line) { return IsRelevantKey(GetItemKey(line), keep); });
  if (dropped != nullptr) {
    dropped->insert(dropped->end(), std::make_move_iterator(firstDropped),
                    std::make_move_iterator(bucket.end()));
  }
  bucket.erase(firstDropped, bucket.end());
}

void FilterSections(CSectionBuckets& file1, CSectionBuckets& file2, const CRuleLists& rules,
                    CCompareObserver* observer) {
  FilterFile(FileSide::kFile1, file1, rules, observer);
  FilterFile(FileSide::kFile2, file2, rules, observer);
}

}  // namespace varnic
