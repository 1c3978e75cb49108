#ifndef VARNIC_REPORT_PLAIN_BYTES_H_
#define VARNIC_REPORT_PLAIN_BYTES_H_

#include <cstdint>
#include <cstring>
#include <string_view>

namespace varnic::report {

// Whether every byte of `text` is printable ASCII (0x20 to 0x7e) other than the `Special` ones,
// sixteen bytes a comparison: a report checks millions of texts before copying them as they are,
// and this check was the largest single cost of an HTML page.
template <char... Special>
bool AllPlainBytes(std::string_view text) {
  // Signed lanes: a byte of 0x80 and above is negative, found by the test for control bytes.
  using CBytes = signed char __attribute__((vector_size(16)));
  const auto plain = [](const CBytes& bytes) {
    const CBytes bad = (bytes < 0x20) | (bytes == 0x7f) |
                       ((bytes == static_cast<signed char>(Special)) | ... | CBytes{});
    std::uint64_t halves[2];
    std::memcpy(halves, &bad, sizeof halves);
    return (halves[0] | halves[1]) == 0;
  };
  const std::size_t size = text.size();
  const char* const data = text.data();
  CBytes bytes;
  if (size >= 16) {
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
      std::memcpy(&bytes, data + i, sizeof bytes);
      if (!plain(bytes)) return false;
    }
    if (i == size) return true;
    // The last sixteen bytes, overlapping those already seen.
    std::memcpy(&bytes, data + size - 16, sizeof bytes);
    return plain(bytes);
  }
  // A short text is read in loads of a fixed size that overlap, each byte read its own (a copy of
  // `size` bytes was a call of memcpy for each): one comparison for the texts that most are.
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  if (size >= 8) {
    std::memcpy(&low, data, sizeof low);
    std::memcpy(&high, data + size - 8, sizeof high);
  } else if (size >= 4) {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::memcpy(&first, data, sizeof first);
    std::memcpy(&last, data + size - 4, sizeof last);
    low = first | (std::uint64_t{last} << 32U);
    high = low;
  } else {
    if (size == 0) return true;
    // The first, the middle and the last byte are all of a text of one to three.
    const std::uint64_t three = static_cast<unsigned char>(data[0]) |
                                (std::uint64_t{static_cast<unsigned char>(data[size / 2])} << 8U) |
                                (std::uint64_t{static_cast<unsigned char>(data[size - 1])} << 16U);
    low = three | (three << 24U) | ((three & 0xffffU) << 48U);
    high = low;
  }
  const std::uint64_t halves[2] = {low, high};
  std::memcpy(&bytes, halves, sizeof bytes);
  return plain(bytes);
}

}  // namespace varnic::report

#endif  // VARNIC_REPORT_PLAIN_BYTES_H_
