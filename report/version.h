#ifndef VARNIC_REPORT_VERSION_H_
#define VARNIC_REPORT_VERSION_H_

#include "varnic/version.h"

namespace varnic::report {

// The version the reports name: the project's, so a release cannot ship JSON and HTML that say
// another.
inline constexpr const char* kVersion = VARNIC_VERSION_STRING;

}  // namespace varnic::report

#endif  // VARNIC_REPORT_VERSION_H_
