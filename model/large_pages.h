#ifndef VARNIC_MODEL_LARGE_PAGES_H_
#define VARNIC_MODEL_LARGE_PAGES_H_

#include <cstddef>

namespace varnic {

// Asks the kernel for huge pages under the whole 2 MB pages of a large buffer that has not been
// touched yet. A 50 MB backup otherwise costs tens of thousands of page faults, which on a
// virtual machine take about as long as comparing it. Only advice: nothing changes where the
// platform has no such thing.
void AdviseLargePages(const void* data, std::size_t size);

}  // namespace varnic

#endif  // VARNIC_MODEL_LARGE_PAGES_H_
