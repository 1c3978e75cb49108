#ifndef VARNIC_MODEL_BYTE_SEARCH_H_
#define VARNIC_MODEL_BYTE_SEARCH_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnic {

// Eight bytes from `at`, the first in the lowest byte.
inline std::uint64_t WordAt(const char* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The high bit of each byte of `word` that equals `byte`, and no other bit: exact, unlike the
// shorter test (word - ones) & ~word, whose borrow also marks some bytes after a match.
inline std::uint64_t BytesEqual(std::uint64_t word, char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t zeroed = word ^ (kOnes * static_cast<unsigned char>(byte));
  return ~(((zeroed & kLow7) + kLow7) | zeroed | kLow7);
}

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
    constexpr int kWords = 8;
    for (int w = 0; w < kWords && end - at >= 8; ++w, at += 8) {
      const std::uint64_t found = BytesEqual(WordAt(at), byte);
      if (found != 0) {
        return static_cast<std::size_t>(at - begin) +
               static_cast<std::size_t>(std::countr_zero(found) / 8);
      }
    }
  }
  const void* found = std::memchr(at, byte, static_cast<std::size_t>(end - at));
  return found == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(found) - begin);
}

// Calls `visit(offset)` for every `byte` of `text`, in order, many bytes at a time: splitting a
// file visits every line end of it, and a search from each short line's start cost more than
// filing the line.
template <typename Visit>
void ForEachByte(std::string_view text, char byte, Visit&& visit) {
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
#if defined(__SSE2__)
  // Where the processor has SSE2 (every x86-64) a comparison of 64 bytes gives a mask of their
  // matches, taken one by one from its bits. The last bytes are copied into a block of their own,
  // padded with what is not `byte`: `visit` is then called from one place, and inlined there.
  const __m128i wanted = _mm_set1_epi8(byte);
  const auto maskOf = [&](const char* block) {
    std::uint64_t mask = 0;
    for (unsigned part = 0; part < 4; ++part) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
      mask |= std::uint64_t{static_cast<std::uint32_t>(
                  _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)))}
              << (16 * part);
    }
    return mask;
  };
  std::array<char, 64> last{};
  bool lastEmpty = false;  // the block before held none
  while (i < size) {
    const char* block = data + i;
    if (size - i < last.size()) {
      last.fill(static_cast<char>(byte ^ 1));
      std::memcpy(last.data(), block, size - i);
      block = last.data();
    }
    std::uint64_t found = maskOf(block);
    if (found == 0 && lastEmpty && size - i > 64) {
      // A long stretch without one (a long line): the library's search runs through it faster.
      const void* next = std::memchr(data + i + 64, byte, size - i - 64);
      if (next == nullptr) return;
      i = static_cast<std::size_t>(static_cast<const char*>(next) - data);
      lastEmpty = false;
      continue;
    }
    lastEmpty = found == 0;
    for (; found != 0; found &= found - 1) {
      visit(i + static_cast<std::size_t>(std::countr_zero(found)));
    }
    i += 64;
  }
#else
  if constexpr (std::endian::native == std::endian::little) {
    // Sixteen bytes a comparison: each match is a lane of 0xFF, whose high bit says where.
    using CBytes = char __attribute__((vector_size(16)));
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    for (; i + 16 <= size; i += 16) {
      CBytes bytes;
      std::memcpy(&bytes, data + i, sizeof bytes);
      const auto equal = bytes == byte;
      std::uint64_t halves[2];
      std::memcpy(halves, &equal, sizeof halves);
      if ((halves[0] | halves[1]) == 0) continue;
      for (std::size_t half = 0; half < 2; ++half) {
        for (std::uint64_t found = halves[half] & kHighs; found != 0; found &= found - 1) {
          visit(i + 8 * half + static_cast<std::size_t>(std::countr_zero(found) / 8));
        }
      }
    }
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
#endif
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
