#include "model/text_arena.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "model/large_pages.h"

namespace varnic {
namespace {

constexpr std::size_t kFirstChunk = std::size_t{64} << 10U;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20U;

}  // namespace

CTextArena::CTextArena(CTextArena&& other) noexcept { *this = std::move(other); }

CTextArena& CTextArena::operator=(CTextArena&& other) noexcept {
  chunks_ = std::move(other.chunks_);
  other.chunks_.clear();
  next_ = std::exchange(other.next_, nullptr);
  end_ = std::exchange(other.end_, nullptr);
  return *this;
}

std::string_view CTextArena::Store(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  if (size == 0) return {};
  char* const start = Allocate(size);
  char* next = start;
  for (const std::string_view part : parts) {
    if (part.empty()) continue;
    std::memcpy(next, part.data(), part.size());
    next += part.size();
  }
  return {start, size};
}

void CTextArena::Grow(std::size_t size) {
  // Each chunk twice the one before, up to a limit; a line larger than that gets its own.
  const auto last =
      static_cast<std::size_t>(end_ - (chunks_.empty() ? end_ : chunks_.back().get()));
  const std::size_t grown = chunks_.empty() ? kFirstChunk : std::min(kLargestChunk, 2 * last);
  const std::size_t capacity = std::max(grown, size);
  chunks_.emplace_back(static_cast<char*>(AllocateLarge(capacity)), CFree{capacity});
  next_ = chunks_.back().get();
  end_ = next_ + capacity;
}

void CTextArena::CFree::operator()(char* chunk) const { FreeLarge(chunk, bytes); }

}  // namespace varnic
