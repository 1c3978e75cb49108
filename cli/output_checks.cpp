#include "cli/output_checks.h"

#include <optional>

#include "report/terminal_text.h"

namespace varnic::cli {

bool OutputsAreSafe(const base::COutputPlan& plan, std::ostream& err) {
  const std::optional<base::COutputConflict> conflict = plan.Check();
  if (!conflict) return true;
  const std::string output = report::SafeText(conflict->output);
  const std::string other = report::SafeText(conflict->other);
  // The second name is told only when it is spelled otherwise: "x" and "./x" are one file.
  const std::string also =
      conflict->output == conflict->other ? "" : " ('" + output + "' is the same file)";
  if (conflict->otherIsInput) {
    err << "varnic: refusing to overwrite input '" << other << "' with a result" << also << "\n";
  } else {
    err << "varnic: '" << other << "' is given as two outputs" << also
        << "; one result would be lost\n";
  }
  return false;
}

}  // namespace varnic::cli
