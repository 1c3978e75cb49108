#ifndef VARNIC_REPORT_SIDE_VIEW_H_
#define VARNIC_REPORT_SIDE_VIEW_H_

#include <ostream>

#include "report/side_by_side.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

// The side view of a report: a header naming both files and their device types, then the two
// columns of the comparison the report was built from.
void WriteSideView(const CReport& report, const CViewOptions& view, CSecretMasker* masker,
                   std::ostream& out);

// What a person must not miss at the end of a view: the settings that were not compared and
// differ, one line each, how many differences an ignore pattern took, and a verdict line, always
// the last.
void WriteVerdict(const CReport& report, CSecretMasker* masker, std::ostream& out);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_SIDE_VIEW_H_
