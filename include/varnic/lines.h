#ifndef VARNIC_LINES_H_
#define VARNIC_LINES_H_

#include <cstddef>
#include <string_view>
#include <vector>

namespace varnic {

// Lines as views, without their line breaks. The bytes live elsewhere (a file's buffer or a text
// arena) and must outlive the list. Section buckets and the working lists of the stages are of
// this type; a position is an index.
using CLines = std::vector<std::string_view>;

// The lines of `bytes`: a line ends at LF, and one CR directly before the LF belongs to the
// break. A last line without LF is kept; every other byte, NUL included, stays.
CLines SplitLines(std::string_view bytes);
// The same into `lines`, cleared first: a caller splitting file after file reuses its room.
void SplitLines(std::string_view bytes, CLines& lines);

// How many lines SplitLines would give, without building them.
std::size_t CountLines(std::string_view bytes);

// Calls `visit` with each line of `bytes`, split as SplitLines splits them.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit&& visit) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) {
      visit(bytes.substr(start));
      return;
    }
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') --end;
    visit(bytes.substr(start, end - start));
    start = lf + 1;
  }
}

}  // namespace varnic

#endif  // VARNIC_LINES_H_
