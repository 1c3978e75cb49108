#include "model/text_arena.h"

#include <algorithm>

namespace varnic {
namespace {

constexpr std::size_t kChunkSize = std::size_t{64} << 10U;

}  // namespace

std::string_view CTextArena::Store(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  if (size == 0) return {};
  if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < size) {
    // A line larger than a chunk gets a chunk of its own.
    chunks_.emplace_back().reserve(std::max(kChunkSize, size));
  }
  // Appends stay within the reserved capacity, so the chunk never moves its bytes.
  std::string& chunk = chunks_.back();
  const std::size_t start = chunk.size();
  for (const std::string_view part : parts) chunk.append(part);
  return {chunk.data() + start, size};
}

}  // namespace varnic
