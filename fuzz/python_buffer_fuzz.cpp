// The Python module's buffer check over any layout: a buffer is taken as bytes only when its
// elements, walked in C order through its shape and strides, are exactly the bytes from its
// start one after another; anything else (reversed, stepped, indirect) is refused.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "python/buffer_bytes.h"

namespace {

using varnic::fuzz::Check;
using varnic::python::CBufferLayout;
using varnic::python::ContiguousBytes;

constexpr int kMaxDims = 4;

// Reads small signed numbers from the input, 0 once it runs out.
struct CReader {
  const std::uint8_t* data;
  std::size_t size;
  std::ptrdiff_t Next(int low, int high) {
    if (size == 0) return 0;
    const int span = high - low + 1;
    const int value = low + (data[0] % span);
    ++data;
    --size;
    return value;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CReader in{data, size};
  static std::array<char, 4096> memory{};
  CBufferLayout layout;
  layout.itemSize = in.Next(0, 8);
  layout.ndim = static_cast<int>(in.Next(0, kMaxDims));
  std::array<std::ptrdiff_t, kMaxDims> shape{};
  std::array<std::ptrdiff_t, kMaxDims> strides{};
  std::array<std::ptrdiff_t, kMaxDims> suboffsets{};
  std::ptrdiff_t count = 1;
  for (int d = 0; d < layout.ndim; ++d) {
    shape[d] = in.Next(-1, 6);
    strides[d] = in.Next(-40, 40);
    suboffsets[d] = in.Next(-1, 0) < 0 ? -1 : in.Next(0, 3);
    count *= shape[d] < 0 ? 0 : shape[d];
  }
  const std::ptrdiff_t start = 2048;
  layout.data = memory.data() + start;
  layout.length = in.Next(0, 1) == 0 ? count * layout.itemSize : in.Next(0, 200);
  layout.shape = in.Next(0, 7) == 0 ? nullptr : shape.data();
  layout.strides = in.Next(0, 3) == 0 ? nullptr : strides.data();
  layout.suboffsets = in.Next(0, 3) == 0 ? suboffsets.data() : nullptr;

  const auto bytes = ContiguousBytes(layout);
  if (!bytes) return 0;
  Check(bytes->size() == static_cast<std::size_t>(layout.length) || bytes->empty(),
        "the bytes taken are not the buffer's length");
  if (bytes->empty() || layout.ndim == 0 || layout.shape == nullptr || layout.strides == nullptr) {
    return 0;
  }
  Check(
      layout.suboffsets == nullptr ||
          [&] {
            for (int d = 0; d < layout.ndim; ++d) {
              if (suboffsets[d] >= 0) return false;
            }
            return true;
          }(),
      "an indirect buffer was taken as bytes");
  // Walk every element in C order: each must sit right after the one before.
  std::array<std::ptrdiff_t, kMaxDims> index{};
  std::ptrdiff_t expected = 0;
  for (;;) {
    std::ptrdiff_t offset = 0;
    for (int d = 0; d < layout.ndim; ++d) offset += index[d] * strides[d];
    Check(offset == expected, "an element lies elsewhere than the bytes taken");
    Check(offset >= 0 && offset + layout.itemSize <= layout.length,
          "an element lies outside the bytes taken");
    expected += layout.itemSize;
    int d = layout.ndim - 1;
    while (d >= 0 && ++index[d] == shape[d]) index[d--] = 0;
    if (d < 0) break;
  }
  Check(expected == layout.length, "the elements do not fill the bytes taken");
  return 0;
}
