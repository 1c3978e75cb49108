#ifndef VARNIC_REPORT_STATS_H_
#define VARNIC_REPORT_STATS_H_

#include <string>
#include <vector>

#include "varnic/comparison.h"

namespace varnic::cli {

struct CSectionStats {
  std::string section;  // header text; "total" for the sum
  int same = 0;
  int different = 0;
  int onlyLeft = 0;
  int onlyRight = 0;
  int dropped = 0;  // lines of both files the relevance rules removed

  bool operator==(const CSectionStats&) const = default;
};

// Counts per section in result order (a section whose every line was dropped comes after),
// then the total. A pair of lines counts once: a different setting is one different line.
std::vector<CSectionStats> ComputeStats(const CComparison& comparison);

// A fixed-width table of the counts, one row per section and a total row.
std::string RenderStats(const std::vector<CSectionStats>& stats);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_STATS_H_
