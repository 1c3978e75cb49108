#ifndef VARNIC_MODEL_LARGE_PAGES_H_
#define VARNIC_MODEL_LARGE_PAGES_H_

#include <cstddef>

namespace varnic {

// Asks the kernel for huge pages under the whole 2 MB pages of a large buffer that has not been
// touched yet. A 50 MB backup otherwise costs tens of thousands of page faults, which on a
// virtual machine take about as long as comparing it. Only advice: nothing changes where the
// platform has no such thing.
void AdviseLargePages(const void* data, std::size_t size);

// Room for `bytes`. From 2 MB on, where the platform has huge pages, it is whole huge pages from
// a 2 MB boundary, all advised: on an unaligned block only the pages wholly inside it can be huge,
// and a block of 2 to 4 MB may hold none. Otherwise a plain allocation. Freed by FreeLarge with
// the same `bytes`.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block, std::size_t bytes) noexcept;

}  // namespace varnic

#endif  // VARNIC_MODEL_LARGE_PAGES_H_
