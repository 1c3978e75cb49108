#ifndef VARNIC_CLI_SIDE_BY_SIDE_H_
#define VARNIC_CLI_SIDE_BY_SIDE_H_

#include <cstddef>
#include <string>

#include "model/line_list.h"

namespace varnic::cli {

struct CViewOptions {
  std::size_t width = 130;           // total columns
  bool suppressCommonLines = false;  // hide pairs marked "s_"
  bool truncate = false;             // cut long lines instead of wrapping them
  bool color = false;                // ANSI colours for headers and marked rows
};

// Two equal columns with an sdiff-like gutter: blank for lines that are the same, "|" for
// different ones, "<" for a line only in file 1 and ">" for one only in file 2. Section headers
// stand alone as separators. Marks are dropped from the text (the gutter shows them) and every
// byte that could act on a terminal is shown escaped.
std::string RenderSideBySide(const CLineList& result1, const CLineList& result2,
                             const CViewOptions& options);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_SIDE_BY_SIDE_H_
