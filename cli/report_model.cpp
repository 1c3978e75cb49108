#include "cli/report_model.h"

#include <algorithm>

#include "cli/marks.h"

namespace varnic::cli {
namespace {

struct Split {
  std::string key;
  std::string value;
};

Split SplitMarked(const std::string& line) {
  const std::string body = line.substr(2);
  const std::size_t eq = body.find('=');
  if (eq == std::string::npos) return {body, ""};
  return {body.substr(0, eq), body.substr(eq + 1)};
}

}  // namespace

std::vector<CEntry> EntriesOf(const CLineList& result1, const CLineList& result2) {
  std::vector<CEntry> entries;
  std::string section;
  const std::size_t count = std::min(result1.size(), result2.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& left = result1[i];
    const std::string& right = result2[i];
    CEntry entry{section, "", std::nullopt, std::nullopt, CEntry::Status::kSame};
    switch (KindOfPair(left, right)) {
      case PairKind::kHeader:
        section = left;
        continue;
      case PairKind::kNone:
        continue;
      case PairKind::kSame:
        break;
      case PairKind::kDifferent:
        entry.status = CEntry::Status::kDifferent;
        break;
      case PairKind::kOnlyLeft:
        entry.status = CEntry::Status::kOnlyLeft;
        break;
      case PairKind::kOnlyRight:
        entry.status = CEntry::Status::kOnlyRight;
        break;
    }
    if (!left.empty()) {
      Split split = SplitMarked(left);
      entry.key = std::move(split.key);
      entry.left = std::move(split.value);
    }
    if (!right.empty()) {
      Split split = SplitMarked(right);
      entry.key = std::move(split.key);
      entry.right = std::move(split.value);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string StatusName(CEntry::Status status) {
  switch (status) {
    case CEntry::Status::kSame:
      return "same";
    case CEntry::Status::kDifferent:
      return "different";
    case CEntry::Status::kOnlyLeft:
      return "only_left";
    case CEntry::Status::kOnlyRight:
      return "only_right";
  }
  return "same";
}

}  // namespace varnic::cli
