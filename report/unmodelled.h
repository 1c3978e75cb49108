#ifndef VARNIC_REPORT_UNMODELLED_H_
#define VARNIC_REPORT_UNMODELLED_H_

#include <string_view>
#include <vector>

#include "report/line_numbers.h"
#include "varnic/comparison.h"
#include "varnic/report/hidden.h"

namespace varnic::report {

// A line no stage of the comparison reads: of a section the rules do not know, before the first
// section header, or of a block a repeated header replaced. Header lines and blank lines are
// not listed. Views into the comparison.
struct CUnmodelledLine {
  std::string_view section;  // header text; empty before the first header
  std::string_view line;
  FileSide file = FileSide::kFile1;
  HiddenReason reason = HiddenReason::kUnknownSection;
};

// The unmodelled lines of both files, file 1's first, each file's in file order.
std::vector<CUnmodelledLine> UnmodelledLinesOf(const CComparison& comparison);

// Why such a line was not compared, in words.
std::string_view UnmodelledWhy(HiddenReason reason);

// The unmodelled lines that differ from the other file's or that it lacks: the n-th line of a
// key under a header in one file stands opposite the n-th line of that key under the same
// header, for the same reason, in the other. Equal values (trailing spaces aside) are no
// difference. In order of the lines, file 1's first.
std::vector<CHiddenDifference> UnmodelledDifferencesOf(const std::vector<CUnmodelledLine>& lines,
                                                       const CLineNumbers& numbers);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_UNMODELLED_H_
