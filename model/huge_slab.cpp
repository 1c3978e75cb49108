#include "model/huge_slab.h"

#include "model/large_pages.h"

namespace varnic {

CHugeSlab::CHugeSlab(std::size_t bytes)
    : block_(static_cast<std::byte*>(AllocateLarge(bytes)), CFree{bytes}) {}

void CHugeSlab::CFree::operator()(std::byte* block) const { FreeLarge(block, size); }

}  // namespace varnic
