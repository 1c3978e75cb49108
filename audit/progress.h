#ifndef VARNIC_AUDIT_PROGRESS_H_
#define VARNIC_AUDIT_PROGRESS_H_

#include <cstddef>
#include <string>

namespace varnic::audit {

// One line of the progress bar: "[#####.....]  1234/10000  812/s  0:11 left". The rate and the
// time left are shown once something is done and time has passed.
std::string ProgressLine(std::size_t done, std::size_t total, double seconds);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_PROGRESS_H_
