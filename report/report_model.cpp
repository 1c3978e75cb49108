#include "report/report_model.h"

#include <optional>

#include "report/file_settings.h"
#include "report/line_numbers.h"
#include "varnic/marked.h"

namespace varnic::cli {
namespace {

std::optional<std::string_view> ValueOf(const CRow& row, FileSide side) {
  if (!(side == FileSide::kFile1 ? row.left : row.right)) return std::nullopt;
  const std::string_view body = MarkedBody(row, side);
  return body.substr(body.find('=') + 1);
}

std::vector<CEntry> EntriesOf(const CComparison& comparison, const CLineNumbers* numbers) {
  std::vector<CEntry> entries;
  entries.reserve(comparison.ResultLineCount());
  for (const CSectionRows& rows : comparison.Sections()) {
    for (const CRow row : rows) {
      CEntry& entry = entries.emplace_back(CEntry{SectionHeader(row.section), row.key,
                                                  ValueOf(row, FileSide::kFile1),
                                                  ValueOf(row, FileSide::kFile2), row.kind});
      if (numbers == nullptr) continue;
      if (row.left) entry.leftLine = numbers->Of(FileSide::kFile1, *row.left);
      if (row.right) entry.rightLine = numbers->Of(FileSide::kFile2, *row.right);
    }
  }
  return entries;
}

bool Ignored(const CReportOptions& options, std::string_view section, std::string_view key) {
  return options.ignores != nullptr && options.ignores->Matches(section, key);
}

}  // namespace

std::vector<CEntry> EntriesOf(const CComparison& comparison) {
  return EntriesOf(comparison, nullptr);
}

CReport BuildReport(const CComparison& comparison, CInput left, CInput right,
                    const CReportOptions& options) {
  CReport report;
  report.comparison = &comparison;
  report.left = std::move(left);
  report.right = std::move(right);
  report.verdict.strict = options.strict;
  if (options.ignores != nullptr) report.ignorePatterns = options.ignores->patterns();
  // What each file said of the keys set aside: only when something reads it.
  std::optional<CFileSettings> settings;
  if (options.parts.hidden || options.parts.explanations) settings.emplace(comparison);

  if (options.parts.hidden) {
    report.hidden = HiddenDifferencesOf(comparison, *settings, report.explanationTexts);
  }
  for (CHiddenDifference& hidden : report.hidden) {
    hidden.ignored = Ignored(options, SectionHeader(hidden.section), hidden.key);
    ++(hidden.ignored ? report.verdict.ignored : report.verdict.hiddenDifferences);
  }
  if (options.parts.entries) {
    const CLineNumbers numbers(comparison);
    report.entries = EntriesOf(comparison, &numbers);
  }
  // The verdict counts every differing setting; without entries it walks the rows itself.
  for (const CSectionRows& rows : comparison.Sections()) {
    const std::string_view header = SectionHeader(rows.section());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows.kind(i) == RowKind::kSame) continue;
      ++(Ignored(options, header, rows[i].key) ? report.verdict.ignored
                                               : report.verdict.differences);
    }
  }
  if (!report.entries.empty() && options.ignores != nullptr && !options.ignores->empty()) {
    for (CEntry& entry : report.entries) entry.ignored = Ignored(options, entry.section, entry.key);
  }
  if (options.parts.stats) {
    report.stats = ComputeStats(comparison, options.ignores);
    for (const CHiddenDifference& hidden : report.hidden) {
      const std::string_view header = SectionHeader(hidden.section);
      for (CSectionStats& s : report.stats) {
        if (s.section != header) continue;
        ++(hidden.ignored ? s.ignored : s.hidden);
        break;
      }
    }
    CSectionStats& total = report.stats.back();
    total.hidden = 0;
    total.ignored = 0;
    for (std::size_t i = 0; i + 1 < report.stats.size(); ++i) {
      total.hidden += report.stats[i].hidden;
      total.ignored += report.stats[i].ignored;
    }
  }
  if (options.parts.explanations) {
    report.explanations = ExplanationsOf(comparison, *settings, report.explanationTexts);
  }
  return report;
}

std::string StatusName(CEntry::Status status) {
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

}  // namespace varnic::cli
