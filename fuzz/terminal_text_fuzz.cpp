// The terminal escaper: what it gives is valid UTF-8 with no control byte, DEL, C1 control or
// bidirectional control, every cell is one character or one escape, the escaping can be undone
// to give the input back, and the quick path for plain text agrees with the cells.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "report/terminal_text.h"

namespace {

using varnic::fuzz::Check;

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes the escapes: "\\" is a backslash, "\xNN" the byte NN, anything else itself.
std::string Unescape(const varnic::report::Cells& cells) {
  std::string bytes;
  for (const std::string& cell : cells) {
    if (cell == "\\\\") {
      bytes += '\\';
    } else if (cell.size() == 4 && cell[0] == '\\' && cell[1] == 'x') {
      const int hi = Hex(cell[2]);
      const int lo = Hex(cell[3]);
      Check(hi >= 0 && lo >= 0, "an escape that is not two hex digits");
      bytes += static_cast<char>(hi * 16 + lo);
    } else {
      Check(cell.find('\\') == std::string::npos, "a backslash outside an escape");
      bytes += cell;
    }
  }
  return bytes;
}

void CheckShown(std::string_view text) {
  Check(varnic::fuzz::IsUtf8(text), "escaped text is not UTF-8");
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    Check(b >= 0x20 && b != 0x7f, "escaped text holds a control byte");
    // U+0080..U+009F, U+061C, U+200E/F, U+202A..E, U+2066..9
    const auto next = [&](std::size_t k) {
      return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
    };
    Check(!(b == 0xc2 && next(1) >= 0x80 && next(1) <= 0x9f), "escaped text holds a C1 control");
    Check(!(b == 0xd8 && next(1) == 0x9c), "escaped text holds a bidi mark");
    if (b == 0xe2 && next(1) == 0x80) {
      const unsigned char c = next(2);
      Check(!(c == 0x8e || c == 0x8f || (c >= 0xaa && c <= 0xae)),
            "escaped text holds a bidi mark");
    }
    if (b == 0xe2 && next(1) == 0x81) {
      Check(!(next(2) >= 0xa6 && next(2) <= 0xa9), "escaped text holds a bidi isolate");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = varnic::fuzz::AsText(data, size);
  const varnic::report::Cells cells = varnic::report::ToSafeCells(bytes);
  for (const std::string& cell : cells) {
    Check(!cell.empty() && cell.size() <= 4, "a cell is empty or longer than one character");
  }
  Check(Unescape(cells) == bytes, "escaping cannot be undone");
  const std::string joined = varnic::report::Join(cells, 0, cells.size());
  CheckShown(joined);
  Check(varnic::report::SafeText(bytes) == joined, "SafeText and the cells disagree");
  if (varnic::report::IsPlainText(bytes)) {
    Check(joined == bytes && cells.size() == bytes.size(), "plain text is not its own form");
  }
  if (!cells.empty()) {
    const std::size_t mid = cells.size() / 2;
    Check(
        varnic::report::Join(cells, 0, mid) + varnic::report::Join(cells, mid, cells.size() + 3) ==
            joined,
        "joining in parts differs");
  }
  return 0;
}
