#include "model/large_pages.h"

#include <cstdint>
#include <new>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace varnic {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20U;
#ifdef MADV_HUGEPAGE
constexpr bool kHugePages = true;
#else
constexpr bool kHugePages = false;  // nothing to align room for
#endif

std::size_t WholeHugePages(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void AdviseLargePages(const void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(data) % kHugePage;
  const std::size_t skip = misalignment == 0 ? 0 : kHugePage - misalignment;
  if (size <= skip) return;
  const std::size_t length = (size - skip) / kHugePage * kHugePage;
  // madvise takes a non-const pointer but changes no byte.
  char* const begin = static_cast<char*>(const_cast<void*>(data)) + skip;
  if (length > 0) ::madvise(begin, length, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

void* AllocateLarge(std::size_t bytes) {
  if (!kHugePages || bytes < kHugePage) return ::operator new(bytes);
  const std::size_t size = WholeHugePages(bytes);
  void* const block = ::operator new (size, std::align_val_t{kHugePage});
  AdviseLargePages(block, size);
  return block;
}

void FreeLarge(void* block, std::size_t bytes) noexcept {
  if (!kHugePages || bytes < kHugePage) {
    ::operator delete(block);
  } else {
    ::operator delete (block, std::align_val_t{kHugePage});
  }
}

}  // namespace varnic
