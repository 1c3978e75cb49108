#ifndef VARNIC_REPORT_VERSION_H_
#define VARNIC_REPORT_VERSION_H_

namespace varnic::report {

inline constexpr const char* kVersion = "0.1.0";

}  // namespace varnic::report

#endif  // VARNIC_REPORT_VERSION_H_
