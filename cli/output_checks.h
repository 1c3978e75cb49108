#ifndef VARNIC_CLI_OUTPUT_CHECKS_H_
#define VARNIC_CLI_OUTPUT_CHECKS_H_

#include <ostream>

#include "base/output_plan.h"

namespace varnic::cli {

// True when no output of `plan` lands on an input or on another output; else false, with the
// two names and why on `err` (the run must then write nothing and exit 2).
bool OutputsAreSafe(const base::COutputPlan& plan, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_OUTPUT_CHECKS_H_
