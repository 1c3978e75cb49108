#ifndef VARNIC_PYTHON_BUFFER_BYTES_H_
#define VARNIC_PYTHON_BUFFER_BYTES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varnic::python {

// A buffer as an exporter describes it (the fields of Py_buffer that place its bytes), without
// Python: `strides` and `suboffsets` may be null, as the buffer protocol allows.
struct CBufferLayout {
  const char* data = nullptr;
  std::ptrdiff_t length = 0;  // bytes the elements take: the product of shape and item size
  std::ptrdiff_t itemSize = 1;
  int ndim = 1;
  const std::ptrdiff_t* shape = nullptr;
  const std::ptrdiff_t* strides = nullptr;
  const std::ptrdiff_t* suboffsets = nullptr;
};

// The bytes of the buffer, in order, when its elements lie one after another from `data` in C
// order (a reversed or stepped view does not: its bytes are elsewhere, or in another order);
// nothing otherwise, and for a layout that does not add up.
inline std::optional<std::string_view> ContiguousBytes(const CBufferLayout& buffer) {
  if (buffer.length < 0 || buffer.itemSize <= 0 || buffer.ndim < 0) return std::nullopt;
  if (buffer.suboffsets != nullptr) {
    for (int d = 0; d < buffer.ndim; ++d) {
      if (buffer.suboffsets[d] >= 0) return std::nullopt;
    }
  }
  if (buffer.ndim > 0 && buffer.shape != nullptr) {
    for (int d = 0; d < buffer.ndim; ++d) {
      if (buffer.shape[d] < 0) return std::nullopt;
      if (buffer.shape[d] == 0) return std::string_view();  // no element: nothing to place
    }
    std::ptrdiff_t expected = buffer.itemSize;
    for (int d = buffer.ndim; d-- > 0;) {
      const std::ptrdiff_t extent = buffer.shape[d];
      if (buffer.strides != nullptr && extent > 1 && buffer.strides[d] != expected) {
        return std::nullopt;
      }
      if (expected > PTRDIFF_MAX / extent) return std::nullopt;
      expected *= extent;
    }
    if (expected != buffer.length) return std::nullopt;
  } else if (buffer.ndim > 0 && buffer.strides != nullptr) {
    return std::nullopt;  // strides without a shape place nothing
  }
  if (buffer.length > 0 && buffer.data == nullptr) return std::nullopt;
  return std::string_view(buffer.data, static_cast<std::size_t>(buffer.length));
}

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_BUFFER_BYTES_H_
