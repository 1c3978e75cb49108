#include "varnic/report/stats.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <unordered_set>
#include <utility>

#include "report/terminal_text.h"

namespace varnic::report {
namespace {

CSectionStats& Row(std::vector<CSectionStats>& rows, std::string_view section) {
  const auto it = std::find_if(rows.begin(), rows.end(),
                               [&](const CSectionStats& s) { return s.section == section; });
  if (it != rows.end()) return *it;
  rows.push_back({std::string(section)});
  return rows.back();
}

struct CColumn {
  const char* heading;  // short: the full table's headings are for wide terminals
  int CSectionStats::*count;
};

constexpr std::array<CColumn, 8> kColumns = {{
    {"same", &CSectionStats::same},
    {"diff", &CSectionStats::different},
    {"only1", &CSectionStats::onlyLeft},
    {"only2", &CSectionStats::onlyRight},
    {"drop", &CSectionStats::dropped},
    {"recon", &CSectionStats::reconciled},
    {"hidden", &CSectionStats::hidden},
    {"ignored", &CSectionStats::ignored},
}};

// Section names are shortened no further than this, nor so far that two read the same.
constexpr std::size_t kMinSectionWidth = 8;

bool Distinct(const std::vector<CSectionStats>& stats, std::size_t width) {
  std::set<std::string> names;
  for (const CSectionStats& s : stats) {
    if (!names.insert(ShortenMiddle(s.section, width)).second) return false;
  }
  return true;
}

std::string Padded(std::string text, std::size_t width, bool right) {
  const std::size_t columns = Columns(text);
  if (columns >= width) return text;
  const std::string blanks(width - columns, ' ');
  return right ? blanks + text : text + blanks;
}

// Columns [begin, end) of each block, packed greedily into `width` after a section column.
std::vector<std::pair<std::size_t, std::size_t>> Blocks(const std::vector<std::size_t>& widths,
                                                        std::size_t section, std::size_t width) {
  std::vector<std::pair<std::size_t, std::size_t>> blocks;
  std::size_t used = section;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    if (blocks.empty() || used + 1 + widths[i] > width) {
      blocks.emplace_back(i, i);
      used = section;
    }
    blocks.back().second = i + 1;
    used += 1 + widths[i];
  }
  return blocks;
}

std::string CompactStats(const std::vector<CSectionStats>& stats, std::size_t width) {
  std::vector<std::size_t> widths;
  for (const CColumn& column : kColumns) {
    std::size_t w = std::strlen(column.heading);
    for (const CSectionStats& s : stats) w = std::max(w, std::to_string(s.*column.count).size());
    widths.push_back(w);
  }
  std::size_t widest = std::strlen("section");
  for (const CSectionStats& s : stats) widest = std::max(widest, Columns(SafeText(s.section)));
  // The fewest blocks, then the widest names that keep to them; the widest column must still fit
  // beside the names.
  const std::size_t widestCount = *std::max_element(widths.begin(), widths.end());
  const std::size_t roomForNames = width > widestCount + 1 ? width - widestCount - 1 : 1;
  std::size_t shortest = std::min(widest, kMinSectionWidth);
  while (shortest < widest && !Distinct(stats, shortest)) ++shortest;
  std::size_t section = std::min(shortest, roomForNames);
  const std::size_t fewest = Blocks(widths, section, width).size();
  while (section < std::min(widest, roomForNames) &&
         Blocks(widths, section + 1, width).size() == fewest) {
    ++section;
  }

  std::string out;
  for (const auto& [begin, end] : Blocks(widths, section, width)) {
    if (!out.empty()) out += "\n";
    std::string line = Padded("section", section, false);
    for (std::size_t i = begin; i < end; ++i) {
      line.append(" ").append(Padded(kColumns[i].heading, widths[i], true));
    }
    out += line + "\n";
    for (const CSectionStats& s : stats) {
      line = Padded(ShortenMiddle(s.section, section), section, false);
      for (std::size_t i = begin; i < end; ++i) {
        line.append(" ").append(Padded(std::to_string(s.*kColumns[i].count), widths[i], true));
      }
      out += line + "\n";
    }
  }
  return out;
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
  comparison.Changes().Changes().ForEachOfKind(
      [](ChangeKind kind) { return kind == ChangeKind::kReconcileRestored; },
      [&](const CChange& change) { restored.insert(change.line.data()); });
  // A section's row found once, not by its name for each of a million lines set aside.
  std::array<std::size_t, kSectionCount> rowOf{};
  rowOf.fill(kSectionCount);
  const auto rowFor = [&](Section section) -> CSectionStats& {
    std::size_t& at = rowOf[static_cast<std::size_t>(section)];
    if (at == kSectionCount) {
      at = static_cast<std::size_t>(&Row(rows, SectionHeader(section)) - rows.data());
    }
    return rows[at];
  };
  for (const CChange& change : comparison.Changes().Changes()) {
    if (change.kind == ChangeKind::kFiltered) {
      ++rowFor(*change.section).dropped;
    } else if (change.kind == ChangeKind::kBandCleared ||
               (change.kind == ChangeKind::kReconcileRemoved &&
                !restored.contains(change.line.data()))) {
      ++rowFor(*change.section).reconciled;
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

std::string RenderStats(const std::vector<CSectionStats>& stats, std::size_t width) {
  std::string out;
  std::size_t longest = 0;
  std::array<char, 160> line{};
  const auto add = [&](int length) {
    longest = std::max(longest, static_cast<std::size_t>(length) - 1);  // the line end aside
    out += line.data();
  };
  add(std::snprintf(line.data(), line.size(), "%-28s %6s %9s %8s %8s %8s %10s %6s %7s\n", "section",
                    "same", "different", "only-1", "only-2", "dropped", "reconciled", "hidden",
                    "ignored"));
  for (const CSectionStats& s : stats) {
    add(std::snprintf(line.data(), line.size(), "%-28s %6d %9d %8d %8d %8d %10d %6d %7d\n",
                      s.section.c_str(), s.same, s.different, s.onlyLeft, s.onlyRight, s.dropped,
                      s.reconciled, s.hidden, s.ignored));
  }
  return width != 0 && longest > width ? CompactStats(stats, width) : out;
}

}  // namespace varnic::report
