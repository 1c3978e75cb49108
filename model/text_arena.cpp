#include "model/text_arena.h"

#include <algorithm>
#include <cstring>

namespace varnic {
namespace {

constexpr std::size_t kChunkSize = std::size_t{64} << 10U;

}  // namespace

std::string_view CTextArena::Store(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  if (size == 0) return {};
  if (chunks_.empty() || capacity_ - used_ < size) {
    // A line larger than a chunk gets a chunk of its own.
    capacity_ = std::max(kChunkSize, size);
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
    used_ = 0;
  }
  char* const start = chunks_.back().get() + used_;
  char* out = start;
  for (const std::string_view part : parts) {
    if (!part.empty()) std::memcpy(out, part.data(), part.size());
    out += part.size();
  }
  used_ += size;
  return {start, size};
}

}  // namespace varnic
