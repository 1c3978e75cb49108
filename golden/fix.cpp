#include "golden/fix.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "golden/raw_lines.h"
#include "varnic/compare.h"
#include "varnic/report/report_model.h"

namespace varnic::golden {
namespace {

constexpr int kMaxRounds = 4;  // each round can only uncover settings a relevance rule hid

// Owns nothing: the owner of bytes a caller keeps alive itself.
const std::shared_ptr<const void> kHeldElsewhere;

struct CRawLine {
  std::string_view body;
  std::string_view end;
};

// A set, a remove or an added setting, at the device line it replaces or follows.
template <typename Remedy>
struct CLineEdit {
  std::size_t line = 0;
  const Remedy* remedy = nullptr;
};

constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);

// The place of `header` in `sections`, added when it is not there yet.
std::size_t SectionSlot(std::vector<std::pair<std::string_view, std::size_t>>& sections,
                        std::string_view header) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].first == header) return i;
  }
  sections.emplace_back(header, 0);
  return sections.size() - 1;
}

template <typename Remedy>
void AppendSetting(std::string& out, const Remedy& remedy, std::string_view end) {
  out.append(remedy.key).append(1, '=').append(remedy.value).append(end);
}

// `device` with `remedies` applied, into `fixed` (which must not hold `device`'s bytes). The
// scratch lists are kept from call to call: a fleet applies a hundred edits to each device.
template <typename Remedy>
void Apply(std::string_view device, const std::vector<Remedy>& remedies, std::string& fixed) {
  thread_local std::vector<CRawLine> lines;
  lines.clear();
  ForEachRawLine(device, [](std::string_view body, std::string_view end) {
    lines.push_back({body, end});
  });
  // The file's own line end for new lines: that of its first line, CR LF when it has none.
  const std::string_view newline =
      !lines.empty() && !lines.front().end.empty() ? lines.front().end : "\r\n";
  // A section's settings are those after its last header, as the comparison reads them; a
  // header written twice keeps the last line of either. A backup has a few dozen sections.
  thread_local std::vector<std::pair<std::string_view, std::size_t>> lastLineOf;
  lastLineOf.clear();
  std::size_t current = kNoSection;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].body.starts_with('[')) {
      current = SectionSlot(lastLineOf, lines[i].body);
    }
    if (current != kNoSection) lastLineOf[current].second = i;
  }
  // The edits of the device's lines in line order; of two edits of one line, the later wins.
  using CEdit = CLineEdit<Remedy>;
  thread_local std::vector<CEdit> edits;
  edits.clear();
  std::vector<std::pair<std::string_view, std::string>> appended;  // section, its new lines
  for (const Remedy& remedy : remedies) {
    const std::size_t index = remedy.deviceLine - 1;
    switch (remedy.kind) {
      case RemedyKind::kSet:
      case RemedyKind::kRemove:
        if (remedy.deviceLine != 0 && index < lines.size()) edits.push_back({index, &remedy});
        break;
      case RemedyKind::kAdd: {
        const auto found = std::find_if(
            lastLineOf.begin(), lastLineOf.end(),
            [&remedy](const auto& section) { return section.first == remedy.section; });
        if (found != lastLineOf.end()) {
          edits.push_back({found->second, &remedy});
          break;
        }
        if (appended.empty() || appended.back().first != remedy.section) {
          appended.emplace_back(remedy.section, remedy.section);
          appended.back().second += newline;
        }
        AppendSetting(appended.back().second, remedy, newline);
        break;
      }
      case RemedyKind::kManual:
        break;
    }
  }
  // Edits mostly come in the device's order already: sorted only when they do not.
  const auto byLine = [](const CEdit& a, const CEdit& b) { return a.line < b.line; };
  if (!std::is_sorted(edits.begin(), edits.end(), byLine)) {
    std::stable_sort(edits.begin(), edits.end(), byLine);
  }
  fixed.clear();
  fixed.reserve(device.size() + 256);
  // The lines between edited ones are copied as one run: most of a device is left as it is.
  std::size_t copied = 0;  // the bytes of `device` written or replaced so far
  bool lastEdited = false;
  for (auto edit = edits.begin(); edit != edits.end();) {
    const std::size_t i = edit->line;
    const auto start = static_cast<std::size_t>(lines[i].body.data() - device.data());
    fixed.append(device.substr(copied, start - copied));
    const Remedy* replacement = nullptr;
    bool inserts = false;
    const auto first = edit;
    for (; edit != edits.end() && edit->line == i; ++edit) {
      if (edit->remedy->kind == RemedyKind::kAdd) {
        inserts = true;
      } else {
        replacement = edit->remedy;
      }
    }
    std::string_view end = lines[i].end;
    if (end.empty() && (inserts || !appended.empty())) end = newline;
    if (replacement == nullptr) {
      fixed.append(lines[i].body).append(end);
    } else if (replacement->kind == RemedyKind::kSet) {
      AppendSetting(fixed, *replacement, end);
    }
    for (auto added = first; added != edit; ++added) {
      if (added->remedy->kind == RemedyKind::kAdd) AppendSetting(fixed, *added->remedy, newline);
    }
    copied = static_cast<std::size_t>(lines[i].end.data() + lines[i].end.size() - device.data());
    lastEdited = i + 1 == lines.size();
  }
  fixed.append(device.substr(copied));
  // A last line without its end gets one before the sections appended after it.
  if (!lastEdited && !appended.empty() && !lines.empty() && lines.back().end.empty()) {
    fixed += newline;
  }
  for (const auto& [section, text] : appended) fixed += text;
}

template <typename Remedy>
std::string Apply(std::string_view device, const std::vector<Remedy>& remedies) {
  std::string fixed;
  Apply(device, remedies, fixed);
  return fixed;
}

// The edits that remain between the golden file, rendered against `fixed`, and `fixed`.
bool Remaining(const CGolden& golden, const std::vector<std::string>& names,
               const std::string& fixed, const CFixOptions& options,
               const std::shared_ptr<const CPreparedFile>& intended, const CPreparedFile* analysed,
               std::vector<CRemedy>& remedies, std::string& error) {
  // Rendered into one buffer per thread: most renderings are the bytes `intended` holds, and
  // are not kept.
  thread_local CRendered rendered;
  const std::string_view device = fixed;
  if (!golden.RenderFor(names, &device, rendered, error)) return false;
  // The comparison reads `fixed` where it is, as it outlives the comparison; the owner only
  // marks the bytes as held elsewhere.
  const auto asInput = [&options](std::string_view bytes) {
    return CInput{
        {}, options.deviceType, std::shared_ptr<const void>(kHeldElsewhere, bytes.data()), bytes};
  };
  const std::shared_ptr<const CPreparedFile> file1 =
      intended && intended->Text() == rendered.text ? intended : golden.Analyse(rendered);
  // The fixed bytes differ from the device's in the lines edited: their analysis revises the
  // device's, a whole analysis all the same.
  std::shared_ptr<const CPreparedFile> file2;
  if (analysed != nullptr) {
    file2 = CPreparedFile::Revise(*analysed, asInput(fixed));
    // Most checks find the fix settled: the same lines kept on both sides say so without a
    // comparison. Under strict the settings not compared count too, which this cannot tell.
    if (!options.strict && options.goldenType == options.deviceType &&
        file1->KeepsSameLines(*file2)) {
      remedies.clear();
      return true;
    }
  }
  const CComparison comparison = file2
                                     ? Compare(file1, options.goldenType, file2, options.deviceType)
                                     : Compare(file1, options.goldenType, asInput(fixed));
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
  reportOptions.parts.sameEntries = false;  // no edit for what is alike
  const report::CReport report = report::BuildReport(comparison, {"", options.goldenType, 0},
                                                     {"", options.deviceType, 0}, reportOptions);
  remedies = Remediation(report, rendered.failed, fixed, options.strict);
  return true;
}

// A remedy with no single value to write stops the fix: false, with the reason in `error`.
template <typename Remedy>
bool NoneManual(const std::vector<Remedy>& remedies, std::string& error) {
  for (const Remedy& remedy : remedies) {
    if (remedy.kind == RemedyKind::kManual) {
      error.assign(remedy.section).append(" ").append(remedy.key).append("=");
      error.append(remedy.value).append(" fails {{ ").append(remedy.rule);
      error.append(" }}, which has no single value to write; fix it by hand");
      return false;
    }
  }
  return true;
}

// A copy the caller may keep: an owned edit as it is.
const CRemedy& Owned(const CRemedy& remedy) { return remedy; }

template <typename First>
bool Fix(const CGolden& golden, const std::vector<std::string>& names, std::string_view device,
         const CFixOptions& options, std::string& fixed, std::vector<CRemedy>* applied,
         std::string& error, const std::vector<First>* first,
         const std::shared_ptr<const CPreparedFile>& intended, const CPreparedFile* analysed) {
  if (applied != nullptr) applied->clear();
  // Each round is applied from `fixed` into this and swapped in: no buffer is made per round.
  thread_local std::string next;
  // Applies one round's edits to `from`; the verdict once none are left, or one must be made by
  // hand.
  const auto apply = [&](std::string_view from, const auto& remedies) -> std::optional<bool> {
    if (remedies.empty() || !NoneManual(remedies, error)) {
      if (from.data() != fixed.data()) fixed.assign(from);
      return remedies.empty();
    }
    Apply(from, remedies, next);
    fixed.swap(next);
    if (applied != nullptr) {
      for (const auto& remedy : remedies) applied->push_back(Owned(remedy));
    }
    return std::nullopt;
  };
  std::vector<CRemedy> remaining;
  int round = 0;
  if (first != nullptr) {
    // The device's own bytes need no copy: the first round applies to them.
    if (const std::optional<bool> verdict = apply(device, *first)) return *verdict;
    round = 1;
  } else {
    fixed.assign(device);
  }
  for (; round <= kMaxRounds; ++round) {
    if (!Remaining(golden, names, fixed, options, intended, analysed, remaining, error)) {
      return false;
    }
    if (const std::optional<bool> verdict = apply(fixed, remaining)) return *verdict;
  }
  error = "the fix does not settle after " + std::to_string(kMaxRounds) +
          " rounds: the relevance rules keep uncovering settings";
  return false;
}

}  // namespace

std::string ApplyRemedies(std::string_view device, const std::vector<CRemedy>& remedies) {
  return Apply(device, remedies);
}

std::string ApplyRemedies(std::string_view device, const std::vector<CRemedyView>& remedies) {
  return Apply(device, remedies);
}

bool FixDevice(const CGolden& golden, const std::vector<std::string>& names,
               std::string_view device, const CFixOptions& options, std::string& fixed,
               std::vector<CRemedy>* applied, std::string& error,
               const std::vector<CRemedyView>* first,
               const std::shared_ptr<const CPreparedFile>& intended,
               const CPreparedFile* analysed) {
  return Fix(golden, names, device, options, fixed, applied, error, first, intended, analysed);
}

bool FixDevice(const CGolden& golden, const std::vector<std::string>& names,
               const std::string& device, const CFixOptions& options, std::string& fixed,
               std::vector<CRemedy>& applied, std::string& error,
               const std::vector<CRemedy>* first) {
  return Fix(golden, names, device, options, fixed, &applied, error, first, nullptr, nullptr);
}

}  // namespace varnic::golden
