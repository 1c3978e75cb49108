#ifndef VARNIC_REPORT_EXPLAIN_TEXT_H_
#define VARNIC_REPORT_EXPLAIN_TEXT_H_

#include <string>

#include "varnic/report/explain.h"

namespace varnic::report {

// Appends DescribeExplanation(e) to `text`, without a string of its own: the renderers describe
// every line set aside straight into their output.
void AppendDescription(std::string& text, const CExplanation& e);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_EXPLAIN_TEXT_H_
