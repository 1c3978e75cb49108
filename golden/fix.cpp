#include "golden/fix.h"

#include <cstddef>
#include <map>
#include <optional>
#include <utility>

#include "golden/raw_lines.h"
#include "varnic/compare.h"
#include "varnic/report/report_model.h"

namespace varnic::golden {
namespace {

constexpr int kMaxRounds = 4;  // each round can only uncover settings a relevance rule hid

struct CRawLine {
  std::string_view body;
  std::string_view end;
};

std::vector<CRawLine> RawLines(std::string_view bytes) {
  std::vector<CRawLine> lines;
  ForEachRawLine(bytes, [&lines](std::string_view body, std::string_view end) {
    lines.push_back({body, end});
  });
  return lines;
}

}  // namespace

std::string ApplyRemedies(std::string_view device, const std::vector<CRemedy>& remedies) {
  const std::vector<CRawLine> lines = RawLines(device);
  // The file's own line end for new lines: that of its first line, CR LF when it has none.
  const std::string_view newline =
      !lines.empty() && !lines.front().end.empty() ? lines.front().end : "\r\n";
  // A section's settings are those after its last header, as the comparison reads them.
  std::map<std::string_view, std::size_t> lastLineOf;
  std::string_view current;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].body.starts_with('[')) {
      current = lines[i].body;
      lastLineOf[current] = i;
    } else if (!current.empty()) {
      lastLineOf[current] = i;
    }
  }
  std::map<std::size_t, std::optional<std::string>> replaced;  // none: the line goes
  std::map<std::size_t, std::string> insertedAfter;
  std::vector<std::pair<std::string, std::string>> appended;  // section, its new lines
  for (const CRemedy& remedy : remedies) {
    const std::string setting = remedy.key + "=" + remedy.value;
    const std::size_t index = remedy.deviceLine - 1;
    switch (remedy.kind) {
      case RemedyKind::kSet:
        if (remedy.deviceLine != 0 && index < lines.size()) replaced[index] = setting;
        break;
      case RemedyKind::kRemove:
        if (remedy.deviceLine != 0 && index < lines.size()) replaced[index] = std::nullopt;
        break;
      case RemedyKind::kAdd: {
        const auto found = lastLineOf.find(remedy.section);
        if (found != lastLineOf.end()) {
          insertedAfter[found->second] += setting + std::string(newline);
          break;
        }
        if (appended.empty() || appended.back().first != remedy.section) {
          appended.emplace_back(remedy.section, remedy.section + std::string(newline));
        }
        appended.back().second += setting + std::string(newline);
        break;
      }
      case RemedyKind::kManual:
        break;
    }
  }
  std::string fixed;
  fixed.reserve(device.size() + 256);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto change = replaced.find(i);
    const auto insert = insertedAfter.find(i);
    std::string_view end = lines[i].end;
    if (end.empty() && (insert != insertedAfter.end() || !appended.empty())) end = newline;
    if (change == replaced.end()) {
      fixed.append(lines[i].body).append(end);
    } else if (change->second) {
      fixed.append(*change->second).append(end);
    }
    if (insert != insertedAfter.end()) fixed += insert->second;
  }
  for (const auto& [section, text] : appended) fixed += text;
  return fixed;
}

namespace {

// The edits that remain between the golden file, rendered against `fixed`, and `fixed`.
bool Remaining(const CGolden& golden, const std::vector<std::string>& names,
               const std::string& fixed, const CFixOptions& options, std::vector<CRemedy>& remedies,
               std::string& error) {
  CRendered rendered;
  if (!golden.RenderFor(names, &fixed, rendered, error)) return false;
  const CComparison comparison =
      Compare({std::move(rendered.text), options.goldenType}, {fixed, options.deviceType});
  report::CReportOptions reportOptions;
  reportOptions.ignores = options.ignores;
  reportOptions.strict = options.strict;
  reportOptions.parts.stats = false;
  reportOptions.parts.explanations = false;
  // Settings not compared call for edits only under strict.
  reportOptions.parts.hidden = options.strict;
  // Most rounds are the check that finds nothing left: the verdict alone says so, and the rows
  // (with their line numbers) are built only when an edit remains.
  reportOptions.parts.entries = false;
  if (!report::BuildReport(comparison, {"", options.goldenType, 0}, {"", options.deviceType, 0},
                           reportOptions)
           .verdict.Differs()) {
    remedies.clear();
    return true;
  }
  reportOptions.parts.entries = true;
  const report::CReport report = report::BuildReport(comparison, {"", options.goldenType, 0},
                                                     {"", options.deviceType, 0}, reportOptions);
  remedies = Remediation(report, rendered.failed, fixed, options.strict);
  return true;
}

}  // namespace

bool FixDevice(const CGolden& golden, const std::vector<std::string>& names,
               const std::string& device, const CFixOptions& options, std::string& fixed,
               std::vector<CRemedy>& applied, std::string& error,
               const std::vector<CRemedy>* first) {
  fixed = device;
  applied.clear();
  for (int round = 0; round <= kMaxRounds; ++round) {
    std::vector<CRemedy> remedies;
    if (round == 0 && first != nullptr) {
      remedies = *first;
    } else if (!Remaining(golden, names, fixed, options, remedies, error)) {
      return false;
    }
    if (remedies.empty()) return true;
    for (const CRemedy& remedy : remedies) {
      if (remedy.kind == RemedyKind::kManual) {
        error = remedy.section + " " + remedy.key + "=" + remedy.value + " fails {{ " +
                remedy.rule + " }}, which has no single value to write; fix it by hand";
        return false;
      }
    }
    applied.insert(applied.end(), remedies.begin(), remedies.end());
    fixed = ApplyRemedies(fixed, remedies);
  }
  error = "the fix does not settle after " + std::to_string(kMaxRounds) +
          " rounds: the relevance rules keep uncovering settings";
  return false;
}

}  // namespace varnic::golden
