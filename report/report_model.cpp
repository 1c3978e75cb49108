#include "varnic/report/report_model.h"

#include <optional>
#include <unordered_map>

#include "model/byte_search.h"
#include "report/file_settings.h"
#include "report/large_vectors.h"
#include "report/line_numbers.h"
#include "report/unmodelled.h"
#include "rules/primitives.h"
#include "varnic/marked.h"
#include "varnic/report/device_types.h"

namespace varnic::report {
namespace {

std::optional<std::string_view> ValueOf(const CRow& row, FileSide side) {
  if (!(side == FileSide::kFile1 ? row.left : row.right)) return std::nullopt;
  const std::string_view body = MarkedBody(row, side);
  return body.substr(FindByte(body, '=') + 1);
}

using CCounterparts = std::unordered_map<const char*, const CSetAsideCounterpart*>;

std::vector<CEntry> EntriesOf(const CComparison& comparison, const CLineNumbers* numbers,
                              const CCounterparts& counterparts, bool same = true) {
  std::vector<CEntry> entries;
  if (same) ReserveLarge(entries, comparison.ResultLineCount());
  const bool renumbered = numbers != nullptr && numbers->HasRenumbered();
  for (const CSectionRows& rows : comparison.Sections()) {
    // Only MAC filter entries are renumbered.
    const bool filter = IsMacFilterSection(rows.section());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!same && rows.kind(i) == RowKind::kSame) continue;
      const CRow row = rows[i];
      CEntry& entry = entries.emplace_back(CEntry{SectionHeader(row.section), row.key,
                                                  ValueOf(row, FileSide::kFile1),
                                                  ValueOf(row, FileSide::kFile2), row.kind});
      if (numbers == nullptr) continue;
      // The lines as read: a row shows a line without "=" as "=".
      const std::optional<std::string_view> left = rows.BucketLine(i, FileSide::kFile1);
      const std::optional<std::string_view> right = rows.BucketLine(i, FileSide::kFile2);
      if (left) entry.leftLine = numbers->Of(FileSide::kFile1, *left);
      if (right) entry.rightLine = numbers->Of(FileSide::kFile2, *right);
      if (renumbered && filter) {
        // A renumbered MAC entry is named as its own file names it.
        if (left) entry.leftKey = SettingKey(numbers->Original(*left));
        if (right) entry.rightKey = SettingKey(numbers->Original(*right));
      }
      if (counterparts.empty() || (left && right)) continue;
      const std::string_view line = left ? *row.left : *row.right;
      // Set-aside lines are found by the compared line's address, which "=" does not have.
      if (line.data() != (left ? *left : *right).data()) continue;
      const auto found = counterparts.find(line.data());
      if (found == counterparts.end()) continue;
      const CSetAsideCounterpart& other = *found->second;
      (row.left ? entry.right : entry.left) = GetItemValue(other.line);
      (row.left ? entry.rightLine : entry.leftLine) = other.lineNumber;
      (row.left ? entry.rightKey : entry.leftKey) = SettingKey(other.line);
      entry.setAsideWhy = other.why;
    }
  }
  return entries;
}

bool Has5GHzSettings(const CComparison& comparison, FileSide side) {
  for (const Section section : BandSections(Band::k5GHz)) {
    if (!comparison.Buckets(side)[section].empty()) return true;
  }
  // Or had, before a stage took the lines away.
  bool had = false;
  comparison.Changes().Changes().ForEachOfKind(TakesSettingAway, [&](const CChange& change) {
    had = had || (change.file == side && change.section && BandOf(*change.section) == Band::k5GHz);
  });
  return had;
}

bool Ignored(const CReportOptions& options, std::string_view section, std::string_view key) {
  return options.ignores != nullptr && options.ignores->Matches(section, key);
}

}  // namespace

std::vector<CEntry> EntriesOf(const CComparison& comparison) {
  return EntriesOf(comparison, nullptr, {});
}

std::string_view RoleOf(const CInput& input, const CInput& other) {
  if (input.type == other.type) return "same device type";
  if (input.type == kSingleBand && input.has5GHz) return "";
  return TypeName(input.type);
}

CReport BuildReport(const CComparison& comparison, CInput left, CInput right,
                    const CReportOptions& options) {
  CReport report;
  report.comparison = &comparison;
  report.left = std::move(left);
  report.right = std::move(right);
  report.left.has5GHz = Has5GHzSettings(comparison, FileSide::kFile1);
  report.right.has5GHz = Has5GHzSettings(comparison, FileSide::kFile2);
  report.verdict.strict = options.strict;
  if (options.ignores != nullptr) report.ignorePatterns = options.ignores->patterns();
  // What each file said of the keys set aside: only when something reads it. Explanations also
  // ask the settings their words quote.
  std::optional<CFileSettings> settings;
  if (options.parts.hidden || options.parts.explanations) {
    settings.emplace(comparison, options.parts.explanations ? CFileSettings::Scope::kReasons
                                                            : CFileSettings::Scope::kDifferences);
  }
  // Line numbers: counted once, for every part that needs them.
  std::optional<CLineNumbers> numbers;
  if (options.parts.hidden || options.parts.entries || options.parts.explanations) {
    numbers.emplace(comparison, options.parts.lineNumbers, options.parts.file1LineNumbers);
  }

  std::vector<CSetAsideCounterpart> counterparts;
  if (options.parts.hidden) {
    report.hidden = HiddenDifferencesOf(comparison, *settings, report.explanationTexts,
                                        options.parts.entries ? &counterparts : nullptr, &*numbers,
                                        options.parts.hiddenWhy);
    for (const CHiddenDifference& d :
         UnmodelledDifferencesOf(UnmodelledLinesOf(comparison), *numbers)) {
      report.hidden.push_back(d);
    }
  }
  for (CHiddenDifference& hidden : report.hidden) {
    hidden.ignored = Ignored(options, hidden.section, hidden.key);
    ++(hidden.ignored ? report.verdict.ignored : report.verdict.hiddenDifferences);
  }
  if (options.parts.entries) {
    CCounterparts byLine;
    byLine.reserve(counterparts.size());
    for (const CSetAsideCounterpart& c : counterparts) byLine.emplace(c.compared, &c);
    report.entries = EntriesOf(comparison, &*numbers, byLine, options.parts.sameEntries);
  }
  // The verdict counts every differing setting; without entries it walks the rows itself.
  // A row is formed for its key only where an ignore pattern could match it.
  const bool ignoring = options.ignores != nullptr && !options.ignores->empty();
  for (const CSectionRows& rows : comparison.Sections()) {
    const std::string_view header = SectionHeader(rows.section());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows.kind(i) == RowKind::kSame) continue;
      ++(ignoring && Ignored(options, header, rows[i].key) ? report.verdict.ignored
                                                           : report.verdict.differences);
    }
  }
  if (!report.entries.empty() && options.ignores != nullptr && !options.ignores->empty()) {
    for (CEntry& entry : report.entries) entry.ignored = Ignored(options, entry.section, entry.key);
  }
  if (options.parts.stats) {
    report.stats = ComputeStats(comparison, options.ignores);
    CSectionStats& total = report.stats.back();
    total.hidden = 0;
    total.ignored = 0;
    for (std::size_t i = 0; i + 1 < report.stats.size(); ++i) {
      total.ignored += report.stats[i].ignored;
    }
    // Unmodelled lines belong to no known section: they count in the total only.
    for (const CHiddenDifference& hidden : report.hidden) {
      ++(hidden.ignored ? total.ignored : total.hidden);
      for (std::size_t i = 0; i + 1 < report.stats.size(); ++i) {
        CSectionStats& s = report.stats[i];
        if (s.section != hidden.section) continue;
        ++(hidden.ignored ? s.ignored : s.hidden);
        break;
      }
    }
  }
  if (options.parts.explanations) {
    report.explanations = ExplanationsOf(comparison, *settings, report.explanationTexts, &*numbers);
  }
  return report;
}

std::string_view StatusText(CEntry::Status status) {
  switch (status) {
    case RowKind::kSame:
      return "same";
    case RowKind::kDifferent:
      return "different";
    case RowKind::kOnlyLeft:
      return "only_left";
    case RowKind::kOnlyRight:
      return "only_right";
  }
  return "same";
}

std::string StatusName(CEntry::Status status) { return std::string(StatusText(status)); }

}  // namespace varnic::report
