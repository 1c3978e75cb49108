#ifndef VARNIC_REPORT_VERSION_H_
#define VARNIC_REPORT_VERSION_H_

namespace varnic::cli {

inline constexpr const char* kVersion = "0.1.0";

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_VERSION_H_
