#ifndef VARNIC_REPORT_SIDE_BY_SIDE_H_
#define VARNIC_REPORT_SIDE_BY_SIDE_H_

#include <cstddef>
#include <string>

#include "varnic/comparison.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

struct CViewOptions {
  std::size_t width = 130;           // total columns
  bool suppressCommonLines = false;  // hide settings that are the same
  bool truncate = false;             // cut long lines instead of wrapping them
  bool color = false;                // ANSI colours for headers and marked rows
};

// Two equal columns with an sdiff-like gutter: blank for lines that are the same, "|" for
// different ones, "<" for a line only in file 1 and ">" for one only in file 2. Section headers
// stand alone as separators. Marks are dropped from the text (the gutter shows them) and every
// byte that could act on a terminal is shown escaped.
// Secret values are replaced by `masker`'s labels when it is given.
std::string RenderSideBySide(const CComparison& comparison, const CViewOptions& options,
                             CSecretMasker* masker = nullptr);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_SIDE_BY_SIDE_H_
