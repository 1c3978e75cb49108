#ifndef VARNIC_REPORT_REPORT_DATE_H_
#define VARNIC_REPORT_REPORT_DATE_H_

#include <string>

namespace varnic::cli {

// "2026-12-08 14:38 UTC": now, or SOURCE_DATE_EPOCH when set, so that a report can be
// reproduced byte for byte.
std::string ReportDate();

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_REPORT_DATE_H_
