#ifndef VARNIC_CLI_REPORT_MODEL_H_
#define VARNIC_CLI_REPORT_MODEL_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/explain.h"
#include "cli/stats.h"
#include "model/line_list.h"

namespace varnic::cli {

// One aligned setting of the two results, with the mark taken off.
struct CEntry {
  enum class Status { kSame, kDifferent, kOnlyLeft, kOnlyRight };
  std::string section;  // header text
  std::string key;
  std::optional<std::string> left;  // absent when only file 2 has the key
  std::optional<std::string> right;
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
  std::string generatedAt;  // shown in reports
};

// The entries of two result lists, pair by pair; headers and empty pairs give none.
std::vector<CEntry> EntriesOf(const CLineList& result1, const CLineList& result2);

std::string StatusName(CEntry::Status status);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_REPORT_MODEL_H_
