#ifndef VARNIC_PYTHON_COMPARISON_RESULT_H_
#define VARNIC_PYTHON_COMPARISON_RESULT_H_

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "golden/golden.h"
#include "golden/remediation.h"
#include "varnic/compare.h"
#include "varnic/report/ignore.h"
#include "varnic/report/report_model.h"

namespace varnic::python {

// What compare() returns: the comparison and its report, built once as the command builds it,
// and what the way back to file 1 needs. Never moved once made: the report points into the
// comparison.
struct CResult {
  explicit CResult(CComparison compared) : comparison(std::move(compared)) {}

  CComparison comparison;
  report::CReport report;
  std::array<std::string, 2> paths;  // the files read, as the file layer opens them; "" for bytes
  std::string varsPath;              // the inventory read, as opened; "" for none
  std::string deviceShown;           // file 2 as messages name it

  // As the fix compares again: the same ignore patterns and strictness as the report.
  report::CIgnoreList ignores;
  bool strict = false;
  // File 1 as a template with its inventory; null when it stands as it is.
  std::shared_ptr<const golden::CGolden> golden;
  std::vector<std::string> deviceNames;  // file 2's names in the inventory, first found wins
  std::vector<golden::CRemedy> remedies;
};

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_COMPARISON_RESULT_H_
