#ifndef VARNIC_MACFILTER_MAC_FILTER_H_
#define VARNIC_MACFILTER_MAC_FILTER_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "model/compare_observer.h"
#include "model/line_list.h"
#include "model/sections.h"

namespace varnic {

// The position of the first line whose value equals `value` exactly, whatever its key.
std::optional<std::size_t> FindItemPositionByValue(const CLineList& list, std::string_view value);

// Renumbers the MAC entries of both files' filter buckets, 5 GHz first, so that addresses both
// files hold come first under equal numbers. Only entry texts change; lines keep their places.
bool CompareMacFilterLists(CSectionBuckets& file1, CSectionBuckets& file2,
                           CCompareObserver* observer = nullptr);

}  // namespace varnic

#endif  // VARNIC_MACFILTER_MAC_FILTER_H_
