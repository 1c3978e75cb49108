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

// Whether AppendDescription writes a note of `kind` as fixed plain words around the note's line,
// quoted, and its reason: such a note is plain when its line and its reason are.
bool QuotesItsLine(CExplanation::Kind kind);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_EXPLAIN_TEXT_H_
