#ifndef VARNIC_FUZZ_FUZZ_CHECK_H_
#define VARNIC_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace varnic::fuzz {

// Aborts on a broken invariant so libFuzzer keeps the input, and the replay fails.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// True for well-formed UTF-8: no overlong form, surrogate or code point past U+10FFFF. Written
// apart from the code under test so the two can disagree.
inline bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned cp = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
      n = 1, cp = lead & 0x1fU;
    } else if (lead >= 0xe0 && lead <= 0xef) {
      n = 2, cp = lead & 0x0fU;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
      n = 3, cp = lead & 0x07U;
    } else {
      return false;
    }
    if (s.size() - i <= n) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xc0U) != 0x80) return false;
      cp = (cp << 6U) | (c & 0x3fU);
    }
    const unsigned min = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
    i += n + 1;
  }
  return true;
}

}  // namespace varnic::fuzz

#endif  // VARNIC_FUZZ_FUZZ_CHECK_H_
