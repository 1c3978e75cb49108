#ifndef VARNIC_REPORT_EXPLAIN_TEXT_H_
#define VARNIC_REPORT_EXPLAIN_TEXT_H_

#include <string>
#include <string_view>

#include "varnic/report/explain.h"

namespace varnic::report {

// Appends DescribeExplanation(e) to `text`, without a string of its own: the renderers describe
// every line set aside straight into their output. `quote` goes around the quoted line, so that
// HTML can have its own escaped form written in place.
void AppendDescription(std::string& text, const CExplanation& e, std::string_view quote = "'");

}  // namespace varnic::report

#endif  // VARNIC_REPORT_EXPLAIN_TEXT_H_
