#ifndef VARNIC_MODEL_EMIT_NORMALIZED_H_
#define VARNIC_MODEL_EMIT_NORMALIZED_H_

#include <string>

#include "varnic/sections.h"

namespace varnic {

// True when no bucket holds a line: the normalized file is empty.
bool HasNoLines(const CSectionBuckets& buckets);

// The normalized file: one block per non-empty bucket in emission order, the header and then the
// bucket's lines unchanged, every line ended by LF.
std::string NormalizedText(const CSectionBuckets& buckets);

}  // namespace varnic

#endif  // VARNIC_MODEL_EMIT_NORMALIZED_H_
