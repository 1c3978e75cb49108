#ifndef VARNIC_MODEL_SPLIT_SECTIONS_H_
#define VARNIC_MODEL_SPLIT_SECTIONS_H_

#include "model/line_list.h"
#include "model/sections.h"

namespace varnic {

// Files the body lines of `raw` into the buckets of their sections. Lines before the first header
// go to the 5 GHz wireless bucket. A known header empties its bucket and makes it current. A line
// that begins with "[" but is no known header starts an unknown section: it and its lines up to
// the next known header go nowhere, and the bucket before it keeps what it had. Buckets whose
// header does not occur are not touched.
void SplitIntoSections(const CLineList& raw, CSectionBuckets& buckets);

}  // namespace varnic

#endif  // VARNIC_MODEL_SPLIT_SECTIONS_H_
