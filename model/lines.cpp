#include "varnic/lines.h"

#include "model/byte_search.h"

namespace varnic {

CLines SplitLines(std::string_view bytes) {
  CLines lines;
  lines.reserve(CountLines(bytes));
  ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
  return lines;
}

std::size_t CountLines(std::string_view bytes) {
  const std::size_t breaks = CountByte(bytes, '\n');
  return breaks + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

}  // namespace varnic
