// The UTF-8 and UTF-16 conversions and BSTRs. The bytes are read both as UTF-8 and as UTF-16
// code units: a conversion succeeds exactly for well-formed text (judged here independently)
// and a successful one converts back to its input; a BSTR keeps its length and its units.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "varnic/com/bstr.h"

namespace {

using namespace varnic::com;
using varnic::fuzz::Check;

bool IsUtf16(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 0xdc00 && s[i] <= 0xdfff) return false;
    if (s[i] >= 0xd800 && s[i] <= 0xdbff) {
      if (i + 1 >= s.size() || s[i + 1] < 0xdc00 || s[i + 1] > 0xdfff) return false;
      ++i;
    }
  }
  return true;
}

void CheckUtf8(std::string_view bytes) {
  const auto wide = Utf8ToUtf16(bytes);
  Check(wide.has_value() == varnic::fuzz::IsUtf8(bytes), "UTF-8 accepted or refused wrongly");
  if (!wide) return;
  Check(IsUtf16(*wide), "UTF-8 converts to malformed UTF-16");
  const auto back = Utf16ToUtf8(*wide);
  Check(back && *back == bytes, "UTF-8 does not survive UTF-16 and back");
}

void CheckUtf16(std::u16string_view units) {
  const auto narrow = Utf16ToUtf8(units);
  Check(narrow.has_value() == IsUtf16(units), "UTF-16 accepted or refused wrongly");
  if (!narrow) return;
  Check(varnic::fuzz::IsUtf8(*narrow), "UTF-16 converts to malformed UTF-8");
  const auto back = Utf8ToUtf16(*narrow);
  Check(back && *back == units, "UTF-16 does not survive UTF-8 and back");
}

void CheckBstr(std::u16string_view units) {
  const CBstr text(units);
  Check(text.Get() != nullptr, "no BSTR for a short text");
  Check(SysStringLen(text.Get()) == units.size(), "a BSTR has the wrong length");
  Check(BstrView(text.Get()) == units, "a BSTR has other units");
  Check(text.Get()[units.size()] == u'\0', "a BSTR is not terminated");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckUtf8(varnic::fuzz::AsText(data, size));
  std::u16string units(size / 2, u'\0');
  if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
  CheckUtf16(units);
  CheckBstr(units);
  return 0;
}
