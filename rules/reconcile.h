#ifndef VARNIC_RULES_RECONCILE_H_
#define VARNIC_RULES_RECONCILE_H_

#include <cstdint>

#include "model/compare_observer.h"
#include "model/line_list.h"
#include "model/sections.h"
#include "rules/rule_lists.h"

namespace varnic {

// Roles by `nType1`: 0 makes file 1 the type-0 file and file 2 the type-1 file, 1 the reverse,
// any other value makes file 2 play both roles. Run only when the two file types differ.

// Empties the type-1 file's 5 GHz band when the type-0 file has no 5 GHz line, else its
// 2.4 GHz band when the type-0 file has no 2.4 GHz line.
void ReconcileBands(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                    CCompareObserver* observer = nullptr);

// Thins the seven reconciled sections of the type-0 file against the type-1 file's.
void ReconcileSections(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                       const CRuleLists& rules, CCompareObserver* observer = nullptr);

// Brings `type0` down to the keys `type1` has (less the keys a rule lists, governing keys and the
// wildcard rule's keys excepted), then restores the listed keys its own settings make relevant.
// `type0` and `type1` may be the same list. Removed and restored lines are appended to `removed`
// and `restored` when given.
void ReconcileSection(CLineList& type0, const CLineList& type1, const CLineList& rules,
                      CLineList* removed = nullptr, CLineList* restored = nullptr);

// Puts back, from `snapshot`, the keys of every rule that holds on `snapshot` (no wildcard)
// while its governing key is still present in `bucket`.
void RestoreRuleKeys(CLineList& bucket, const CLineList& rules, const CLineList& snapshot,
                     CLineList* restored = nullptr);

}  // namespace varnic

#endif  // VARNIC_RULES_RECONCILE_H_
