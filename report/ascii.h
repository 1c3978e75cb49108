#ifndef VARNIC_REPORT_ASCII_H_
#define VARNIC_REPORT_ASCII_H_

#include <string_view>

namespace varnic::report {

// True when `text` equals `lower` (written in lower case) but for ASCII letter case; other bytes
// compare as they are, whatever the locale.
inline bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c =
        text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace varnic::report

#endif  // VARNIC_REPORT_ASCII_H_
