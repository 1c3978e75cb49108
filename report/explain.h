#ifndef VARNIC_REPORT_EXPLAIN_H_
#define VARNIC_REPORT_EXPLAIN_H_

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"

namespace varnic::cli {

// One thing the pipeline dropped or changed before the lines were compared.
struct CExplanation {
  enum class Kind { kFiltered, kBandCleared, kReconcileRemoved, kReconcileRestored, kRenumbered };
  Kind kind;
  int file;                  // 1 or 2
  std::string_view section;  // header text, e.g. "[System]"; for a cleared band the band's name
  std::string_view line;     // the line concerned (for a renumbering: the line before)
  std::string_view detail;   // rules that applied, or the line after a renumbering
};

// What the stages of `comparison` dropped or changed, in the order they did it; a cleared band
// is one explanation, not one per line. The views point into `comparison` and into `texts`,
// which receives the text of each set of rules once, however many lines it dropped.
std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         std::deque<std::string>& texts);

std::string KindName(CExplanation::Kind kind);

// One plain-text line per explanation (not yet escaped for a terminal).
std::string DescribeExplanation(const CExplanation& e);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_EXPLAIN_H_
