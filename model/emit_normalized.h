#ifndef VARNIC_MODEL_EMIT_NORMALIZED_H_
#define VARNIC_MODEL_EMIT_NORMALIZED_H_

#include <array>

#include "model/line_list.h"
#include "model/sections.h"

namespace varnic {

// The order in which sections are emitted; [System] comes first.
inline constexpr std::array<Section, kSectionCount> kEmissionOrder = {
    Section::kSystem,       Section::k5GHzWireless,  Section::k24GHzWireless,
    Section::k5GHzSecurity, Section::k24GHzSecurity, Section::k5GHzFilter,
    Section::k24GHzFilter,  Section::k5GHzMultiSSID, Section::k24GHzMultiSSID,
};

// Replaces `out` with one block per non-empty bucket in emission order: the header, then the
// bucket's lines unchanged. False when memory ran out; `out` then keeps what was appended.
bool EmitNormalizedLines(const CSectionBuckets& buckets, CLineList& out);

}  // namespace varnic

#endif  // VARNIC_MODEL_EMIT_NORMALIZED_H_
