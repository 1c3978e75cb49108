#ifndef VARNIC_REPORT_REPORT_MODEL_H_
#define VARNIC_REPORT_REPORT_MODEL_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/explain.h"
#include "report/stats.h"
#include "varnic/comparison.h"

namespace varnic::cli {

// One aligned setting of the two results: its values as the marked results show them. Views into
// the comparison the entry was taken from.
struct CEntry {
  using Status = RowKind;
  std::string_view section;  // header text
  std::string_view key;
  std::optional<std::string_view> left;  // absent when only file 2 has the key
  std::optional<std::string_view> right;
  Status status;
};

struct CInput {
  std::string path;
  std::int32_t type = 0;
  std::size_t lines = 0;  // lines read from the file
};

// Everything a report shows: the inputs, the aligned entries, the counts and the explanations.
struct CReport {
  CInput left;
  CInput right;
  std::vector<CEntry> entries;
  std::vector<CSectionStats> stats;
  std::vector<CExplanation> explanations;
  std::deque<std::string> explanationTexts;  // what explanations point into besides the comparison
  std::string generatedAt;                   // shown in reports
};

// The entries of a comparison, section by section.
std::vector<CEntry> EntriesOf(const CComparison& comparison);

std::string StatusName(CEntry::Status status);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_REPORT_MODEL_H_
