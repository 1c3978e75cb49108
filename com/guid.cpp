#include <array>
#include <cstdio>

#include "varnic/com/com_types.h"

namespace varnic::com {

std::string FormatGuid(const GUID& g) {
  std::array<char, 39> text{};
  std::snprintf(text.data(), text.size(), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text.data();
}

}  // namespace varnic::com
