#include <new>

#include "model/large_pages.h"
#include "varnic/changes.h"

namespace varnic {

void* NewListBlock(std::size_t bytes) {
  void* block = ::operator new(bytes);
  AdviseLargePages(block, bytes);
  return block;
}

}  // namespace varnic
