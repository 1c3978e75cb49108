#ifndef VARNIC_MODEL_LINE_LIST_H_
#define VARNIC_MODEL_LINE_LIST_H_

#include <string>
#include <vector>

namespace varnic {

// An ordered list of raw byte lines without their line breaks. Raw line lists, section buckets,
// rule lists, key groups and result lists are all of this type. A position is an index.
using CLineList = std::vector<std::string>;

}  // namespace varnic

#endif  // VARNIC_MODEL_LINE_LIST_H_
