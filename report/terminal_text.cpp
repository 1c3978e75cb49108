#include "report/terminal_text.h"

#include <algorithm>
#include <array>

#include "report/plain_bytes.h"

namespace varnic::report {
namespace {

std::string Escape(unsigned char byte) {
  constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                         '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  return {'\\', 'x', kHex[byte >> 4U], kHex[byte & 0xfU]};
}

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the bytes there are not one
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  if (b(i + 1) < low || b(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (b(i + k) < 0x80 || b(i + k) > 0xbf) return 0;
  }
  // C1 control characters (U+0080..U+009F) act on some terminals too.
  if (lead == 0xc2 && b(i + 1) <= 0x9f) return 0;
  return length;
}

// Bidirectional controls (LRM, RLM, ALM and the embeddings, overrides and isolates) reorder how
// the text around them is shown, so a value could disguise itself; they are escaped too.
bool IsBidiControl(std::string_view s, std::size_t i, std::size_t length) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  if (length == 2) return b(0) == 0xd8 && b(1) == 0x9c;  // U+061C
  if (length != 3 || b(0) != 0xe2) return false;
  if (b(1) == 0x80) return b(2) == 0x8e || b(2) == 0x8f || (b(2) >= 0xaa && b(2) <= 0xae);
  return b(1) == 0x81 && b(2) >= 0xa6 && b(2) <= 0xa9;
}

}  // namespace

Cells ToSafeCells(std::string_view bytes) {
  Cells cells;
  cells.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\\') {
      cells.emplace_back("\\\\");
      ++i;
    } else if (byte >= 0x20 && byte < 0x7f) {
      cells.emplace_back(1, static_cast<char>(byte));
      ++i;
    } else if (const std::size_t length = byte < 0x80 ? 0 : Utf8Length(bytes, i);
               length != 0 && !IsBidiControl(bytes, i, length)) {
      cells.emplace_back(bytes.substr(i, length));
      i += length;
    } else {
      cells.push_back(Escape(byte));
      ++i;
    }
  }
  return cells;
}

std::string Join(const Cells& cells, std::size_t begin, std::size_t end) {
  std::string text;
  for (std::size_t i = begin; i < end && i < cells.size(); ++i) text += cells[i];
  return text;
}

bool IsPlainText(std::string_view bytes) { return AllPlainBytes<'\\'>(bytes); }

std::string SafeText(std::string_view bytes) {
  std::string text;
  AppendSafeText(text, bytes);
  return text;
}

void AppendSafeText(std::string& out, std::string_view bytes) {
  if (IsPlainText(bytes)) {
    out.append(bytes);
    return;
  }
  for (const std::string& cell : ToSafeCells(bytes)) out.append(cell);
}

std::size_t Columns(std::string_view safeText) {
  return static_cast<std::size_t>(std::count_if(safeText.begin(), safeText.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xc0U) != 0x80U;
  }));
}

std::string ShortenMiddle(std::string_view bytes, std::size_t width) {
  std::string text = SafeText(bytes);
  if (Columns(text) <= width) return text;
  const Cells cells = ToSafeCells(bytes);
  const auto columns = [](const std::string& cell) { return Columns(cell); };
  constexpr std::string_view kGap = "...";
  // Too narrow for a gap between two parts: the start alone says most.
  const bool gap = width >= kGap.size() + 2;
  const std::size_t room = gap ? width - kGap.size() : width;
  std::size_t head = 0;
  std::size_t used = 0;
  while (head < cells.size() && used + columns(cells[head]) <= (gap ? (room + 1) / 2 : room)) {
    used += columns(cells[head++]);
  }
  std::size_t tail = cells.size();
  while (gap && tail > head && used + columns(cells[tail - 1]) <= room) {
    used += columns(cells[--tail]);
  }
  text = Join(cells, 0, head);
  if (gap) text.append(kGap).append(Join(cells, tail, cells.size()));
  return text;
}

}  // namespace varnic::report
