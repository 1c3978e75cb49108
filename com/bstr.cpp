#include "varnic/com/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace varnic::com {
namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, unsigned length) {
  // The byte count must fit the 32-bit prefix.
  if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1) {
    return nullptr;
  }
  const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  auto* block = static_cast<std::uint8_t*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto count = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &count, kPrefix);
  auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
  if (text != nullptr && length != 0) std::memcpy(chars, text, bytes);
  if (text == nullptr) std::memset(chars, 0, bytes);
  chars[length] = u'\0';
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  return SysAllocStringLen(text, static_cast<unsigned>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(reinterpret_cast<std::uint8_t*>(text) - kPrefix);
}

unsigned SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<std::uint8_t*>(text) - kPrefix, kPrefix);
  return bytes / sizeof(OLECHAR);
}

std::u16string_view BstrView(BSTR text) { return {text, SysStringLen(text)}; }

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10U) + (text[++i] - 0xDC00U);
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return std::nullopt;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6U));
      out += static_cast<char>(0x80 | (c & 0x3FU));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12U));
      out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
      out += static_cast<char>(0x80 | (c & 0x3FU));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18U));
      out += static_cast<char>(0x80 | ((c >> 12U) & 0x3FU));
      out += static_cast<char>(0x80 | ((c >> 6U) & 0x3FU));
      out += static_cast<char>(0x80 | (c & 0x3FU));
    }
  }
  return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t c = 0;
    std::size_t length = 1;
    std::uint32_t min = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0U) == 0xC0) {
      c = lead & 0x1FU, length = 2, min = 0x80;
    } else if ((lead & 0xF0U) == 0xE0) {
      c = lead & 0x0FU, length = 3, min = 0x800;
    } else if ((lead & 0xF8U) == 0xF0) {
      c = lead & 0x07U, length = 4, min = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > text.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0U) != 0x80) return std::nullopt;
      c = (c << 6U) | (next & 0x3FU);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10U));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FFU));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

}  // namespace varnic::com
