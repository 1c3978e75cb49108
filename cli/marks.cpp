#include "cli/marks.h"

namespace varnic::cli {

PairKind KindOfPair(std::string_view left, std::string_view right) {
  if (left.starts_with("[")) return PairKind::kHeader;
  if (left.starts_with("s_")) return PairKind::kSame;
  if (left.starts_with("d_")) return PairKind::kDifferent;
  if (left.starts_with("o_")) return PairKind::kOnlyLeft;
  if (right.starts_with("o_")) return PairKind::kOnlyRight;
  return PairKind::kNone;
}

bool IsMarked(std::string_view line) {
  return line.starts_with("s_") || line.starts_with("d_") || line.starts_with("o_");
}

std::string_view Unmarked(std::string_view line) { return IsMarked(line) ? line.substr(2) : line; }

}  // namespace varnic::cli
