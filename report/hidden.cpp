#include "varnic/report/hidden.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "engine/align.h"
#include "report/file_settings.h"
#include "report/line_numbers.h"
#include "report/reasons.h"
#include "rules/primitives.h"

namespace varnic::report {
namespace {

// Values are compared as rows are: trailing spaces do not count. The lines of a slot share
// their key, or in a MAC list their address under any number, so the values decide.
bool SameValue(const CSetting* a, const CSetting* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return TrimTrailingSpaces(GetItemValue(a->line)) == TrimTrailingSpaces(GetItemValue(b->line));
}

HiddenReason ReasonOf(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::kReconcileRemoved:
      return HiddenReason::kReconciled;
    case ChangeKind::kDuplicate:
      return HiddenReason::kDuplicate;
    case ChangeKind::kUnordered:
      return HiddenReason::kUnordered;
    default:
      return HiddenReason::kNotRelevant;
  }
}

}  // namespace

std::vector<CHiddenDifference> HiddenDifferencesOf(const CComparison& comparison,
                                                   std::deque<std::string>& texts) {
  return HiddenDifferencesOf(comparison,
                             CFileSettings(comparison, CFileSettings::Scope::kDifferences), texts);
}

std::vector<CHiddenDifference> HiddenDifferencesOf(const CComparison& comparison,
                                                   const CFileSettings& settings,
                                                   std::deque<std::string>& texts,
                                                   std::vector<CSetAsideCounterpart>* counterparts,
                                                   const CLineNumbers* given, bool why) {
  std::vector<CHiddenDifference> hidden;
  if (comparison.Sections().empty()) return hidden;  // nothing was compared at all
  if (settings.SetAsideKeys().empty()) return hidden;
  std::optional<CLineNumbers> own;  // counted only once a line needs its number
  const CLineNumbers* numbers = given;
  const auto number = [&](FileSide side, std::string_view line) {
    if (numbers == nullptr) numbers = &own.emplace(comparison);
    return numbers->Of(side, line);
  };
  // Most hidden lines share a handful of reasons: each is formed once.
  CReasons reasons(comparison.Changes(), settings, texts);
  const CChangeList& changes = comparison.Changes().Changes();
  for (const CFileSettings::CSlot& slot : settings.SetAsideKeys()) {
    const std::span<const CSetting> left = settings.LinesOf(FileSide::kFile1, slot);
    const std::span<const CSetting> right = settings.LinesOf(FileSide::kFile2, slot);
    // The n-th line of a key in one file stands opposite the n-th in the other. Where both
    // were compared, or one was and the other file lacks it, the row already shows it.
    for (std::size_t n = 0; n < std::max(left.size(), right.size()); ++n) {
      const CSetting* a = n < left.size() ? &left[n] : nullptr;
      const CSetting* b = n < right.size() ? &right[n] : nullptr;
      const bool compared = (a == nullptr || a->Compared()) && (b == nullptr || b->Compared());
      if (compared) continue;
      // A row shows a line compared against nothing as only in its file already; the line of
      // the other file that was set aside goes with that row.
      const bool leftCompared = a != nullptr && a->Compared();
      const bool rightCompared = b != nullptr && b->Compared();
      if (leftCompared || rightCompared) {
        if (counterparts == nullptr || a == nullptr || b == nullptr) continue;
        const CSetting& row = leftCompared ? *a : *b;
        const CSetting& aside = leftCompared ? *b : *a;
        counterparts->push_back(
            {row.line.data(), aside.line,
             number(leftCompared ? FileSide::kFile2 : FileSide::kFile1, aside.line),
             reasons.For(changes.Read(*aside.setAside))});
        continue;
      }
      if (SameValue(a, b)) continue;
      const CSetting& aside = a != nullptr ? *a : *b;
      CHiddenDifference difference;
      difference.section = SectionHeader(slot.section);
      difference.key = SettingKey(aside.line);
      if (a != nullptr) {
        difference.left = GetItemValue(a->line);
        difference.leftLine = number(FileSide::kFile1, a->line);
      }
      if (b != nullptr) {
        difference.right = GetItemValue(b->line);
        difference.rightLine = number(FileSide::kFile2, b->line);
      }
      const CChange change = changes.Read(*aside.setAside);
      difference.reason = ReasonOf(change.kind);
      if (why) difference.why = reasons.For(change);
      hidden.push_back(difference);
    }
  }
  return hidden;
}

std::string_view HiddenReasonName(HiddenReason reason) {
  switch (reason) {
    case HiddenReason::kNotRelevant:
      return "not_relevant";
    case HiddenReason::kReconciled:
      return "reconciled";
    case HiddenReason::kDuplicate:
      return "duplicate";
    case HiddenReason::kUnordered:
      return "unordered";
    case HiddenReason::kUnknownSection:
      return "unknown_section";
    case HiddenReason::kBeforeFirstHeader:
      return "before_first_header";
    case HiddenReason::kRepeatedHeader:
      return "repeated_header";
  }
  return "not_relevant";
}

}  // namespace varnic::report
