#include "model/large_pages.h"

#include <cstdint>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace varnic {

void AdviseLargePages(const void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::size_t kHuge = std::size_t{2} << 20U;
  const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(data) % kHuge;
  const std::size_t skip = misalignment == 0 ? 0 : kHuge - misalignment;
  if (size <= skip) return;
  const std::size_t length = (size - skip) / kHuge * kHuge;
  // madvise takes a non-const pointer but changes no byte.
  char* const begin = static_cast<char*>(const_cast<void*>(data)) + skip;
  if (length > 0) ::madvise(begin, length, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace varnic
