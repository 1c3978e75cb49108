#ifndef VARNIC_REPORT_INPUT_CHECKS_H_
#define VARNIC_REPORT_INPUT_CHECKS_H_

#include <string>

#include "varnic/comparison.h"

namespace varnic::report {

// Why one file of `comparison` cannot be compared, as the end of a sentence naming the file
// ("has no section header; the known headers are [System], ..."); empty when it can be. A file
// with nothing in any known section gives two empty results by design, and a file without any
// header would have all its lines taken as 5 GHz wireless settings: neither is a comparison.
std::string InputProblem(const CComparison& comparison, FileSide side);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_INPUT_CHECKS_H_
