#include "report/stats.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace varnic::cli {
namespace {

CSectionStats& Row(std::vector<CSectionStats>& rows, std::string_view section) {
  const auto it = std::find_if(rows.begin(), rows.end(),
                               [&](const CSectionStats& s) { return s.section == section; });
  if (it != rows.end()) return *it;
  rows.push_back({std::string(section)});
  return rows.back();
}

}  // namespace

std::vector<CSectionStats> ComputeStats(const CComparison& comparison) {
  std::vector<CSectionStats> rows;
  for (const CSectionRows& section : comparison.Sections()) {
    CSectionStats& counts = Row(rows, SectionHeader(section.section()));
    for (std::size_t i = 0; i < section.size(); ++i) {
      switch (section.kind(i)) {
        case RowKind::kSame:
          ++counts.same;
          break;
        case RowKind::kDifferent:
          ++counts.different;
          break;
        case RowKind::kOnlyLeft:
          ++counts.onlyLeft;
          break;
        case RowKind::kOnlyRight:
          ++counts.onlyRight;
          break;
      }
    }
  }
  for (const CChange& change : comparison.Changes().Changes()) {
    if (change.kind == ChangeKind::kFiltered) {
      ++Row(rows, SectionHeader(*change.section)).dropped;
    }
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
