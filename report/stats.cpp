#include "report/stats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_set>

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

std::vector<CSectionStats> ComputeStats(const CComparison& comparison, const CIgnoreList* ignores) {
  std::vector<CSectionStats> rows;
  for (const CSectionRows& section : comparison.Sections()) {
    const std::string_view header = SectionHeader(section.section());
    CSectionStats& counts = Row(rows, header);
    for (std::size_t i = 0; i < section.size(); ++i) {
      if (ignores != nullptr && section.kind(i) != RowKind::kSame &&
          ignores->Matches(header, section[i].key)) {
        ++counts.ignored;
        continue;
      }
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
  // A line reconciliation took out and put back was compared: it counts nowhere.
  std::unordered_set<const char*> restored;
  for (const CChange& change : comparison.Changes().Changes()) {
    if (change.kind == ChangeKind::kReconcileRestored) restored.insert(change.line.data());
  }
  for (const CChange& change : comparison.Changes().Changes()) {
    if (change.kind == ChangeKind::kFiltered) {
      ++Row(rows, SectionHeader(*change.section)).dropped;
    } else if (change.kind == ChangeKind::kBandCleared ||
               (change.kind == ChangeKind::kReconcileRemoved &&
                !restored.contains(change.line.data()))) {
      ++Row(rows, SectionHeader(*change.section)).reconciled;
    }
  }
  CSectionStats total{"total"};
  for (const CSectionStats& s : rows) {
    total.same += s.same;
    total.different += s.different;
    total.onlyLeft += s.onlyLeft;
    total.onlyRight += s.onlyRight;
    total.dropped += s.dropped;
    total.reconciled += s.reconciled;
    total.hidden += s.hidden;
    total.ignored += s.ignored;
  }
  rows.push_back(total);
  return rows;
}

std::string RenderStats(const std::vector<CSectionStats>& stats) {
  std::string out;
  std::array<char, 160> line{};
  std::snprintf(line.data(), line.size(), "%-28s %6s %9s %8s %8s %8s %10s %6s %7s\n", "section",
                "same", "different", "only-1", "only-2", "dropped", "reconciled", "hidden",
                "ignored");
  out += line.data();
  for (const CSectionStats& s : stats) {
    std::snprintf(line.data(), line.size(), "%-28s %6d %9d %8d %8d %8d %10d %6d %7d\n",
                  s.section.c_str(), s.same, s.different, s.onlyLeft, s.onlyRight, s.dropped,
                  s.reconciled, s.hidden, s.ignored);
    out += line.data();
  }
  return out;
}

}  // namespace varnic::cli
