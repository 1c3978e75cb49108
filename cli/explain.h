#ifndef VARNIC_CLI_EXPLAIN_H_
#define VARNIC_CLI_EXPLAIN_H_

#include <string>
#include <vector>

#include "model/compare_observer.h"

namespace varnic::cli {

// One thing the pipeline dropped or changed before the lines were compared.
struct CExplanation {
  enum class Kind { kFiltered, kBandCleared, kReconcileRemoved, kReconcileRestored, kRenumbered };
  Kind kind;
  int file;             // 1 or 2
  std::string section;  // header text, e.g. "[System]"; for a cleared band the band's name
  std::string line;     // the line concerned (for a renumbering: the line before)
  std::string detail;   // rules that applied, or the line after a renumbering
};

// Collects what the engine stages report, in the order they report it.
class CExplainCollector : public CCompareObserver {
 public:
  void OnLineFiltered(FileSide file, Section section, std::string_view line,
                      const CLineList& rules) override;
  void OnBandCleared(FileSide file, Band band) override;
  void OnReconcileRemoved(FileSide file, Section section, std::string_view line) override;
  void OnReconcileRestored(FileSide file, Section section, std::string_view line) override;
  void OnMacRenumbered(FileSide file, Section section, std::string_view before,
                       std::string_view after) override;

  const std::vector<CExplanation>& Explanations() const { return explanations_; }

 private:
  std::vector<CExplanation> explanations_;
};

std::string KindName(CExplanation::Kind kind);

// One plain-text line per explanation (not yet escaped for a terminal).
std::string DescribeExplanation(const CExplanation& e);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_EXPLAIN_H_
