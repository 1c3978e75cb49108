#include <new>

#include "model/large_pages.h"
#include "varnic/changes.h"

namespace varnic {

void* NewListBlock(std::size_t bytes) { return AllocateLarge(bytes); }

void DeleteListBlock(void* block, std::size_t bytes) noexcept { FreeLarge(block, bytes); }

}  // namespace varnic
