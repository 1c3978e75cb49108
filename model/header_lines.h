#ifndef VARNIC_MODEL_HEADER_LINES_H_
#define VARNIC_MODEL_HEADER_LINES_H_

#include <cstddef>
#include <string_view>

#include "model/byte_search.h"

namespace varnic {

// Calls `visit(at, line, next)` for each line of `text` that begins with "[", in order: `at` is
// where the line begins, `line` the line without its break (a CR before it dropped, as
// ForEachLine drops it), `next` where the line after it begins (text.size() for the last). Only
// the header lines are visited, each found by a search for "[": the lines between two of them
// are the bytes from one's `next` to the other's `at`.
template <typename Visit>
void ForEachHeaderLine(std::string_view text, Visit&& visit) {
  for (std::size_t at = text.find('['); at != std::string_view::npos; at = text.find('[', at)) {
    if (at != 0 && text[at - 1] != '\n') {
      ++at;
      continue;
    }
    const std::size_t lf = FindByte(text, '\n', at);
    std::string_view line = text.substr(at, lf == std::string_view::npos ? lf : lf - at);
    if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    const std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    visit(at, line, next);
    at = next;
  }
}

}  // namespace varnic

#endif  // VARNIC_MODEL_HEADER_LINES_H_
