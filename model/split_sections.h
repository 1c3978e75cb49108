#ifndef VARNIC_MODEL_SPLIT_SECTIONS_H_
#define VARNIC_MODEL_SPLIT_SECTIONS_H_

#include <cstddef>
#include <string_view>

#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic {

struct CSplitFile {
  CSectionBuckets buckets;  // views into the text given to SplitIntoSections
  std::size_t lines = 0;    // lines of the whole file
};

// Files the body lines of `text` into the buckets of their sections. Lines before the first
// header go to the 5 GHz wireless bucket. A known header empties its bucket and makes it current,
// so a bucket holds the lines after the last occurrence of its header; earlier runs are logged as
// superseded. A line that begins with "[" but is no known header starts an unknown section: it
// and its lines up to the next known header are logged and go nowhere (filed under the section
// before, they would be compared as that section's settings).
CSplitFile SplitIntoSections(std::string_view text, FileSide side, CChangeLog& log);

}  // namespace varnic

#endif  // VARNIC_MODEL_SPLIT_SECTIONS_H_
