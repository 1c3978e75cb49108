#ifndef VARNIC_REPORT_REPORT_DATE_H_
#define VARNIC_REPORT_REPORT_DATE_H_

#include <ctime>
#include <string>

namespace varnic::report {

// "2026-12-08 14:38 UTC": now, or SOURCE_DATE_EPOCH when set, so that a report can be
// reproduced byte for byte. A value that is not a whole number of seconds from 1970 up to the
// last second of year 9999 is not used: the date is now, and `warning` (when given) says why.
std::string ReportDate(std::string* warning = nullptr);

// The same from the variable's value (null: unset) and the current time.
std::string ReportDateFrom(const char* epoch, std::time_t now, std::string* warning);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_REPORT_DATE_H_
