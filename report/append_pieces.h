#ifndef VARNIC_REPORT_APPEND_PIECES_H_
#define VARNIC_REPORT_APPEND_PIECES_H_

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace varnic::report {

// Appends `pieces` to `text`, sized first and copied into one grown stretch: the renderers write
// a row or a note per line set aside, and an append a piece paid its own capacity check.
inline void AppendPieces(std::string& text, std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  const std::size_t at = text.size();
  text.resize(at + size);
  char* to = text.data() + at;
  for (const std::string_view piece : pieces) {
    if (!piece.empty()) std::memcpy(to, piece.data(), piece.size());
    to += piece.size();
  }
}

}  // namespace varnic::report

#endif  // VARNIC_REPORT_APPEND_PIECES_H_
