#ifndef VARNIC_RULES_RECONCILE_H_
#define VARNIC_RULES_RECONCILE_H_

#include <cstdint>

#include "rules/rule.h"
#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic {

// Roles by `nType1`: 0 makes file 1 the type-0 file and file 2 the type-1 file, 1 the reverse,
// any other value makes file 2 play both roles. Run only when the two file types differ.

// Empties the type-1 file's 5 GHz band when the type-0 file has no 5 GHz line, else its
// 2.4 GHz band when the type-0 file has no 2.4 GHz line. Each line cleared is logged.
void ReconcileBands(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                    CChangeLog& log);

// Thins the reconciled sections of the type-0 file against the type-1 file's, logging what it
// removes and restores.
void ReconcileSections(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                       CChangeLog& log);

// Brings `type0` down to the keys `type1` has (less the keys a rule lists, governing keys and the
// wildcard rule's keys excepted), then restores the listed keys its own settings make relevant.
// `type0` and `type1` may be the same list. Removed and restored lines are appended to `removed`
// and `restored`.
void ReconcileSection(CLines& type0, const CLines& type1, const CRuleList& rules, CLines& removed,
                      CLines& restored);

// Puts back, from `snapshot`, the keys of every rule that holds on `snapshot` ("*" is plain text
// here) while its governing key is still present in `bucket`; each restored line goes right
// after the line of the key listed before it, or to the end.
void RestoreRuleKeys(CLines& bucket, const CRuleList& rules, const CLines& snapshot,
                     CLines& restored);

}  // namespace varnic

#endif  // VARNIC_RULES_RECONCILE_H_
