#ifndef VARNIC_MACFILTER_MAC_FILTER_H_
#define VARNIC_MACFILTER_MAC_FILTER_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "model/text_arena.h"
#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic {

// The position of the first line whose value equals `value` exactly, whatever its key.
std::optional<std::size_t> FindItemPositionByValue(const CLines& list, std::string_view value);

// Renumbers the MAC entries of both files' filter buckets, 5 GHz first, so that addresses both
// files hold come first under equal numbers. Only entry texts change (the new texts are stored in
// `arena`); lines keep their places. Each address that moved to another entry is logged.
void CompareMacFilterLists(CSectionBuckets& file1, CSectionBuckets& file2, CTextArena& arena,
                           CChangeLog& log);

}  // namespace varnic

#endif  // VARNIC_MACFILTER_MAC_FILTER_H_
