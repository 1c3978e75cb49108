#include "varnic/lines.h"

#include "model/byte_search.h"

namespace varnic {

CLines SplitLines(std::string_view bytes) {
  CLines lines;
  lines.reserve(CountLines(bytes));
  SplitLines(bytes, lines);
  return lines;
}

void SplitLines(std::string_view bytes, CLines& lines) {
  lines.clear();
  ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
}

std::size_t CountLines(std::string_view bytes) {
  const std::size_t breaks = CountByte(bytes, '\n');
  return breaks + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

}  // namespace varnic
