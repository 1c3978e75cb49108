#ifndef VARNIC_REPORT_STATS_H_
#define VARNIC_REPORT_STATS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "varnic/comparison.h"
#include "varnic/report/ignore.h"

namespace varnic::report {

struct CSectionStats {
  std::string section;  // header text; "total" for the sum
  int same = 0;
  int different = 0;
  int onlyLeft = 0;
  int onlyRight = 0;
  int dropped = 0;     // lines of both files the relevance rules removed
  int reconciled = 0;  // lines reconciliation removed for good (bands cleared included)
  int hidden = 0;      // settings not compared that differ (not ignored)
  int ignored = 0;     // differing settings an ignore pattern matched

  bool operator==(const CSectionStats&) const = default;
};

// Counts per section in result order (a section whose every line was dropped comes after),
// then the total. A pair of lines counts once: a different setting is one different line.
// A differing setting an ignore pattern of `ignores` matches counts as ignored, nothing else.
// Hidden differences are counted by the report, which finds them.
std::vector<CSectionStats> ComputeStats(const CComparison& comparison,
                                        const CIgnoreList* ignores = nullptr);

// A table of the counts, one row per section and a total row, fitted to `width` columns (0: no
// limit). The full table when it fits; else shorter headings and section names shortened in the
// middle, and when the counts still do not fit side by side, the columns in blocks one below the
// other, each with the section names, as few blocks as the width allows.
std::string RenderStats(const std::vector<CSectionStats>& stats, std::size_t width = 0);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_STATS_H_
