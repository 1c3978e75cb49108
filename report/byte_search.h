#ifndef VARNIC_REPORT_BYTE_SEARCH_H_
#define VARNIC_REPORT_BYTE_SEARCH_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace varnic::report {

// Eight bytes of `text` from `at`, the first in the lowest byte.
inline std::uint64_t WordAt(const char* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The high bit of each byte of `word` that equals `byte`, and no other bit: exact, where the
// shorter test (word - ones) & ~word also marks some bytes after a match.
inline std::uint64_t BytesEqual(std::uint64_t word, char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLows = 0x7f7f7f7f7f7f7f7fULL;
  const std::uint64_t zeroed = word ^ (kOnes * static_cast<unsigned char>(byte));
  return ~(((zeroed & kLows) + kLows) | zeroed | kLows);
}

// text.find(byte), eight bytes at a time and inline: a report searches hundreds of thousands of
// short lines for their "=", and a call of memchr for each cost more than the search.
inline std::size_t FindByte(std::string_view text, char byte) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= size; i += 8) {
      const std::uint64_t found = BytesEqual(WordAt(data + i), byte);
      if (found != 0) return i + static_cast<std::size_t>(std::countr_zero(found) / 8);
    }
  }
  for (; i < size; ++i) {
    if (data[i] == byte) return i;
  }
  return std::string_view::npos;
}

// Calls `visit(offset)` for every `byte` of `text`, in order.
template <typename Visit>
void ForEachByte(std::string_view text, char byte, Visit&& visit) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= size; i += 8) {
      for (std::uint64_t found = BytesEqual(WordAt(data + i), byte); found != 0;
           found &= found - 1) {
        visit(i + static_cast<std::size_t>(std::countr_zero(found) / 8));
      }
    }
  }
  for (; i < size; ++i) {
    if (data[i] == byte) visit(i);
  }
}

}  // namespace varnic::report

#endif  // VARNIC_REPORT_BYTE_SEARCH_H_
