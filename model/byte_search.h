#ifndef VARNIC_MODEL_BYTE_SEARCH_H_
#define VARNIC_MODEL_BYTE_SEARCH_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace varnic {

// The position of the first `byte` in `text` at or after `from`, or npos. A line or a key is
// mostly a few dozen bytes, where a call of memchr costs more than its search: the first 64 bytes
// are read here eight at a time, and only what lies beyond goes to memchr, which is faster over
// long stretches.
inline std::size_t FindByte(std::string_view text, char byte, std::size_t from = 0) {
  if (from >= text.size()) return std::string_view::npos;
  const char* const begin = text.data();
  const char* at = begin + from;
  const char* const end = begin + text.size();
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr int kWords = 8;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(byte);
    for (int w = 0; w < kWords && end - at >= 8; ++w, at += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, at, 8);
      word ^= pattern;
      // The high bit of each byte that is zero, and of no other: exact, unlike the shorter
      // test whose borrow marks bytes above a match.
      const std::uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7);
      if (zeros != 0) {
        return static_cast<std::size_t>(at - begin) +
               static_cast<std::size_t>(std::countr_zero(zeros) / 8);
      }
    }
  }
  const void* found = std::memchr(at, byte, static_cast<std::size_t>(end - at));
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - begin);
}

// How often `byte` occurs in `text`: 64 bytes a round, counted in byte-wide lanes that are added
// up before they can overflow.
inline std::size_t CountByte(std::string_view text, char byte) {
  using CBytes = unsigned char __attribute__((vector_size(16)));
  constexpr std::size_t kWidth = sizeof(CBytes);
  constexpr std::size_t kBlocks = 4;              // blocks a round, each adding at most one
  constexpr std::size_t kRounds = 255 / kBlocks;  // rounds before a lane could overflow
  const auto* at = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t left = text.size();
  std::size_t count = 0;
  const auto target = static_cast<unsigned char>(byte);
  while (left >= kWidth * kBlocks) {
    CBytes lanes = {};
    for (std::size_t round = 0; round < kRounds && left >= kWidth * kBlocks; ++round) {
      for (std::size_t block = 0; block < kBlocks; ++block) {
        CBytes bytes;
        std::memcpy(&bytes, at + block * kWidth, kWidth);
        lanes -= reinterpret_cast<CBytes>(bytes == target);  // a match compares as 0xFF, -1
      }
      at += kWidth * kBlocks;
      left -= kWidth * kBlocks;
    }
    for (std::size_t lane = 0; lane < kWidth; ++lane) count += lanes[lane];
  }
  for (; left > 0; --left, ++at) count += *at == target ? 1 : 0;
  return count;
}

}  // namespace varnic

#endif  // VARNIC_MODEL_BYTE_SEARCH_H_
