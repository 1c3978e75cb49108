#ifndef VARNIC_RULES_FILTER_H_
#define VARNIC_RULES_FILTER_H_

#include <string>
#include <string_view>
#include <vector>

#include "model/compare_observer.h"
#include "model/line_list.h"
#include "model/sections.h"
#include "rules/rule_lists.h"

namespace varnic {

// The keys named by every rule of `rules` that matches `bucket` ("*" is a whole-field wildcard
// here); when none matches, the key of every line of the bucket, so the bucket survives whole.
std::vector<std::string> CollectRelevantKeys(const CLineList& bucket, const CLineList& rules);

// The rules of `rules` that match `bucket`, in list order.
CLineList MatchingRules(const CLineList& bucket, const CLineList& rules);

// True when some entry of `keep` contains `key` as a substring.
bool IsRelevantKey(std::string_view key, const std::vector<std::string>& keep);

// Removes the lines of `bucket` whose keys are not relevant; survivors keep their order. The
// removed lines are appended to `dropped` when it is given.
void FilterBucket(CLineList& bucket, const CLineList& rules, CLineList* dropped = nullptr);

// Filters the System, security, filter and multi-SSID buckets of both files, file 1 first. An
// observer hears of every dropped line with the rules that matched its bucket.
void FilterSections(CSectionBuckets& file1, CSectionBuckets& file2, const CRuleLists& rules,
                    CCompareObserver* observer = nullptr);

}  // namespace varnic

#endif  // VARNIC_RULES_FILTER_H_
