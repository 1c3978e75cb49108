#include "cli/stats.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/marks.h"

namespace varnic::cli {
namespace {

CSectionStats& Row(std::vector<CSectionStats>& rows, const std::string& section) {
  const auto it = std::find_if(rows.begin(), rows.end(),
                               [&](const CSectionStats& s) { return s.section == section; });
  if (it != rows.end()) return *it;
  rows.push_back({section});
  return rows.back();
}

}  // namespace

std::vector<CSectionStats> ComputeStats(const CLineList& result1, const CLineList& result2,
                                        const std::vector<CExplanation>& explanations) {
  std::vector<CSectionStats> rows;
  CSectionStats* current = nullptr;
  const std::size_t count = std::min(result1.size(), result2.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& left = result1[i];
    const std::string& right = result2[i];
    const PairKind kind = KindOfPair(left, right);
    if (kind == PairKind::kHeader) {
      current = &Row(rows, left);
      continue;
    }
    if (current == nullptr) continue;
    switch (kind) {
      case PairKind::kSame:
        ++current->same;
        break;
      case PairKind::kDifferent:
        ++current->different;
        break;
      case PairKind::kOnlyLeft:
        ++current->onlyLeft;
        break;
      case PairKind::kOnlyRight:
        ++current->onlyRight;
        break;
      case PairKind::kHeader:
      case PairKind::kNone:
        break;
    }
  }
  for (const CExplanation& e : explanations) {
    if (e.kind == CExplanation::Kind::kFiltered) ++Row(rows, e.section).dropped;
  }
  CSectionStats total{"total"};
  for (const CSectionStats& s : rows) {
    total.same += s.same;
    total.different += s.different;
    total.onlyLeft += s.onlyLeft;
    total.onlyRight += s.onlyRight;
    total.dropped += s.dropped;
  }
  rows.push_back(total);
  return rows;
}

std::string RenderStats(const std::vector<CSectionStats>& stats) {
  std::string out;
  std::array<char, 160> line{};
  std::snprintf(line.data(), line.size(), "%-28s %6s %9s %8s %8s %8s\n", "section", "same",
                "different", "only-1", "only-2", "dropped");
  out += line.data();
  for (const CSectionStats& s : stats) {
    std::snprintf(line.data(), line.size(), "%-28s %6d %9d %8d %8d %8d\n", s.section.c_str(),
                  s.same, s.different, s.onlyLeft, s.onlyRight, s.dropped);
    out += line.data();
  }
  return out;
}

}  // namespace varnic::cli
