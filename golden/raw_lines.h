#ifndef VARNIC_GOLDEN_RAW_LINES_H_
#define VARNIC_GOLDEN_RAW_LINES_H_

#include <cstddef>
#include <string_view>

namespace varnic::golden {

// Each line of `bytes` with its line end, split as the comparison splits them.
template <typename Visit>
void ForEachRawLine(std::string_view bytes, Visit&& visit) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    const std::size_t next = lf == std::string_view::npos ? bytes.size() : lf + 1;
    std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    if (lf != std::string_view::npos && end > start && bytes[end - 1] == '\r') --end;
    visit(bytes.substr(start, end - start), bytes.substr(end, next - end));
    start = next;
  }
}

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_RAW_LINES_H_
