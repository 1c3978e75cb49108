#ifndef VARNIC_ENGINE_ALIGN_H_
#define VARNIC_ENGINE_ALIGN_H_

#include <string>
#include <string_view>
#include <vector>

#include "model/line_list.h"

namespace varnic {

// One group per section name (first line, no brackets), then that section's keys in first-met
// order: file 1's keys, then the keys only file 2 has. No groups when either list is empty.
std::vector<CLineList> BuildKeyGroups(const CLineList& normalized1, const CLineList& normalized2);

// Reorders both multi-SSID groups as Multi_Status, then the SSID1 to SSID7 runs; other keys drop.
void OrderMultiSSIDGroups(std::vector<CLineList>& groups);

// Replaces `aligned` with, per group, the header line and then per key either key=value from
// `normalized` or an empty line where the file's section lacks the key.
void BuildAlignedList(const CLineList& normalized, const std::vector<CLineList>& groups,
                      CLineList& aligned);

// Looks up the first line of section `header` whose key equals `key`; on success `value` is its
// value. The empty key resolves to the section's first line without a key.
bool FindKeyValue(const CLineList& normalized, std::string_view key, std::string_view header,
                  std::string& value);

// Pairs line i of both aligned lists into the two result lists (emptied first) with the marks
// "s_", "d_" and "o_"; headers stay unmarked and an index empty on both sides adds nothing.
void MarkAlignedLists(const CLineList& aligned1, const CLineList& aligned2, CLineList& result1,
                      CLineList& result2);

}  // namespace varnic

#endif  // VARNIC_ENGINE_ALIGN_H_
