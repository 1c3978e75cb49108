#ifndef VARNIC_REPORT_STATS_H_
#define VARNIC_REPORT_STATS_H_

#include <string>
#include <vector>

#include "report/ignore.h"
#include "varnic/comparison.h"

namespace varnic::cli {

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

// A fixed-width table of the counts, one row per section and a total row.
std::string RenderStats(const std::vector<CSectionStats>& stats);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_STATS_H_
