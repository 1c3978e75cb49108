#ifndef VARNIC_COM_GUID_TEXT_H_
#define VARNIC_COM_GUID_TEXT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varnic::com {

namespace detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace detail

// The 16 bytes of "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces required) in text order;
// nullopt when malformed. Each platform's GUID is built from these.
constexpr std::optional<std::array<std::uint8_t, 16>> ParseGuidBytes(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  constexpr std::array<std::size_t, 4> kDashes = {9, 14, 19, 24};
  for (const std::size_t dash : kDashes) {
    if (text[dash] != '-') return std::nullopt;
  }
  std::array<std::uint8_t, 16> bytes{};
  std::size_t n = 0;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '-') continue;
    const int hi = detail::HexDigit(text[i]);
    const int lo = detail::HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0 || n >= bytes.size()) return std::nullopt;
    bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
    ++i;
  }
  if (n != 16) return std::nullopt;
  return bytes;
}

}  // namespace varnic::com

#endif  // VARNIC_COM_GUID_TEXT_H_
