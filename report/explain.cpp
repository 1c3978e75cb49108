#include "varnic/report/explain.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <unordered_map>

#include "report/append_pieces.h"
#include "report/explain_text.h"
#include "report/reasons.h"
#include "report/unmodelled.h"
#include "rules/rule_lists.h"

namespace varnic::report {
namespace {

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  AppendPieces(text, parts);
  return text;
}

std::string EntryKeyNumber(std::string_view line) {
  const std::size_t eq = line.find('=');
  const std::string_view key = line.substr(0, eq);
  const std::size_t digits = key.find_first_of("0123456789");
  return digits == std::string_view::npos ? std::string(key) : std::string(key.substr(digits));
}

// Texts of a report are kept once: the same view is nearly always the answer.
bool Same(std::string_view a, std::string_view b) {
  return (a.data() == b.data() && a.size() == b.size()) || a == b;
}

std::string_view Trimmed(std::string_view key) {
  const std::size_t first = key.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return key.substr(first, key.find_last_not_of(' ') - first + 1);
}

// Keeps each distinct text once: a million dropped lines share a few dozen reasons.
class CTexts {
 public:
  explicit CTexts(std::deque<std::string>& texts) : texts_(texts) {}
  std::string_view Keep(std::string text) {
    auto known = views_.find(text);
    if (known == views_.end()) {
      std::string_view view = texts_.emplace_back(text);
      known = views_.emplace(std::move(text), view).first;
    }
    return known->second;
  }

 private:
  std::deque<std::string>& texts_;
  std::unordered_map<std::string, std::string_view> views_;
};

// Keys only one file has that differ from a key only the other has by spaces around them
// ("channel " and "channel"): the likely slip of a hand edit.
void AddSpacingHints(const CComparison& comparison, std::vector<CExplanation>& explanations) {
  for (const CSectionRows& rows : comparison.Sections()) {
    std::unordered_map<std::string_view, std::array<std::optional<CRow>, 2>> only;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const RowKind kind = rows.kind(i);
      if (kind != RowKind::kOnlyLeft && kind != RowKind::kOnlyRight) continue;
      const CRow row = rows[i];
      auto& slots = only[Trimmed(row.key)];
      auto& slot = slots[kind == RowKind::kOnlyLeft ? 0 : 1];
      if (!slot) slot = row;
    }
    for (const auto& [trimmed, slots] : only) {
      if (!slots[0] || !slots[1] || slots[0]->key == slots[1]->key) continue;
      for (int file = 1; file <= 2; ++file) {
        const CRow& row = *slots[file - 1];
        const CRow& other = *slots[2 - file];
        if (row.key == trimmed) continue;
        explanations.push_back({CExplanation::Kind::kSpacing, file, SectionHeader(row.section),
                                file == 1 ? *row.left : *row.right, other.key});
      }
    }
  }
}

}  // namespace

std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         std::deque<std::string>& texts) {
  return ExplanationsOf(comparison, CFileSettings(comparison), texts);
}

std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         const CFileSettings& settings,
                                         std::deque<std::string>& texts,
                                         const CLineNumbers* numbers) {
  std::vector<CExplanation> explanations;
  const CChangeLog& log = comparison.Changes();
  CTexts kept(texts);
  CReasons reasons(log, settings, texts);
  std::array<std::array<bool, 2>, 2> cleared{};            // [file][band]: told once
  std::vector<std::optional<std::string_view>> ruleTexts;  // per rule set
  std::array<std::array<std::size_t, 2>, 2> clearedAt{};   // [file][band]: its explanation
  std::unordered_map<const char*, std::size_t> removed;    // line -> its explanation
  const auto number = [numbers](FileSide side, std::string_view line) -> std::uint32_t {
    return numbers != nullptr ? numbers->Of(side, line) : 0;
  };
  // Runs only where the caller keeps the comparison (and its log) for the notes' lifetime.
  const bool runs = numbers != nullptr;
  // A line set aside right after the last note's lines, for the same words, joins its run.
  const auto joined = [&](CExplanation::Kind kind, int file, std::string_view section,
                          std::string_view detail, std::string_view reason, std::uint32_t at,
                          std::string_view line, FileSide side) {
    if (!runs || explanations.empty()) return false;
    CExplanation& last = explanations.back();
    if (last.log == nullptr || last.firstChange + last.lines != at || last.kind != kind ||
        last.file != file || !Same(last.section, section) || !Same(last.detail, detail) ||
        !Same(last.reason, reason)) {
      return false;
    }
    const std::uint32_t n = number(side, line);
    if ((n == 0) != (last.lineNumber == 0)) return false;
    if (n != 0) {
      if (last.lineNumbers.empty()) last.lineNumbers.push_back(last.lineNumber);
      last.lineNumbers.push_back(n);
    }
    ++last.lines;
    return true;
  };
  std::uint32_t at = 0;  // the change's index in the log
  for (auto cursor = log.Changes().begin(); cursor != log.Changes().end(); ++cursor, ++at) {
    const CChange& change = *cursor;
    const int file = static_cast<int>(change.file);
    const std::size_t before = explanations.size();
    const std::string_view section = change.section ? SectionHeader(*change.section) : "";
    switch (change.kind) {
      case ChangeKind::kFiltered: {
        if (ruleTexts.size() <= change.detail) ruleTexts.resize(change.detail + 1);
        std::optional<std::string_view>& detail = ruleTexts[change.detail];
        if (!detail) {
          // The conditions of the rules that matched, for readers of the notation (JSON); their
          // key lists (up to 257 keys) would only bury them.
          std::string text;
          const CRuleList& rules = RulesFor(*change.section);
          for (const std::uint16_t rule : log.RuleSet(change)) {
            if (!text.empty()) text += "; ";
            text += rules[rule].ConditionText();
          }
          detail = kept.Keep(std::move(text));
        }
        const std::string_view reason = reasons.For(change);
        if (joined(CExplanation::Kind::kFiltered, file, section, *detail, reason, at, change.line,
                   change.file)) {
          continue;
        }
        explanations.push_back(
            {CExplanation::Kind::kFiltered, file, section, change.line, *detail, reason});
        break;
      }
      case ChangeKind::kBandCleared: {
        const Band band = BandOf(*change.section).value_or(Band::k5GHz);
        bool& told = cleared[file - 1][static_cast<std::size_t>(band)];
        std::size_t& clearedNote = clearedAt[file - 1][static_cast<std::size_t>(band)];
        if (!told) {
          told = true;
          clearedNote = explanations.size();
          explanations.push_back({CExplanation::Kind::kBandCleared, file,
                                  band == Band::k5GHz ? "5GHz" : "2.4GHz", "", "",
                                  reasons.For(change)});
        }
        // One note for the band, but every line of it accounted for.
        if (numbers != nullptr) {
          explanations[clearedNote].lineNumbers.push_back(number(change.file, change.line));
        }
        continue;
      }
      case ChangeKind::kReconcileRemoved:
        removed.emplace(change.line.data(), explanations.size());
        explanations.push_back({CExplanation::Kind::kReconcileRemoved, file, section, change.line,
                                "", reasons.For(change)});
        break;
      case ChangeKind::kReconcileRestored: {
        // A line taken out and put back is one note: it was compared after all.
        const auto it = removed.find(change.line.data());
        CExplanation note{CExplanation::Kind::kReconcileRestored,
                          file,
                          section,
                          change.line,
                          "",
                          reasons.For(change)};
        if (it != removed.end()) {
          note.lineNumber = explanations[it->second].lineNumber;
          explanations[it->second] = note;
          continue;
        }
        explanations.push_back(note);
        break;
      }
      case ChangeKind::kRenumbered:
        explanations.push_back(
            {CExplanation::Kind::kRenumbered, file, section, change.line, log.After(change)});
        break;
      case ChangeKind::kDuplicate:
      case ChangeKind::kUnordered: {
        const CExplanation::Kind kind = change.kind == ChangeKind::kDuplicate
                                            ? CExplanation::Kind::kDuplicate
                                            : CExplanation::Kind::kUnordered;
        const std::string_view reason = reasons.For(change);
        if (joined(kind, file, section, "", reason, at, change.line, change.file)) continue;
        explanations.push_back({kind, file, section, change.line, "", reason});
        break;
      }
      default:
        break;
    }
    if (explanations.size() > before) {
      CExplanation& added = explanations.back();
      added.lineNumber = number(change.file, change.line);
      const bool runKind = added.kind == CExplanation::Kind::kFiltered ||
                           added.kind == CExplanation::Kind::kDuplicate ||
                           added.kind == CExplanation::Kind::kUnordered;
      if (runs && runKind) {
        added.firstChange = at;
        added.log = &log;
      }
    }
  }
  for (const CUnmodelledLine& u : UnmodelledLinesOf(comparison)) {
    const CExplanation::Kind kind =
        u.reason == HiddenReason::kUnknownSection      ? CExplanation::Kind::kUnknownSection
        : u.reason == HiddenReason::kBeforeFirstHeader ? CExplanation::Kind::kBeforeFirstHeader
                                                       : CExplanation::Kind::kRepeatedHeader;
    explanations.push_back({kind, static_cast<int>(u.file), u.section, u.line, "",
                            UnmodelledWhy(u.reason), number(u.file, u.line)});
  }
  const std::size_t hints = explanations.size();
  AddSpacingHints(comparison, explanations);
  for (std::size_t i = hints; i < explanations.size(); ++i) {
    CExplanation& e = explanations[i];
    e.lineNumber = number(e.file == 1 ? FileSide::kFile1 : FileSide::kFile2, e.line);
  }
  for (CExplanation& e : explanations) {
    if (e.kind == CExplanation::Kind::kSpacing) {
      e.reason = kept.Keep(Concat({"'", e.line.substr(0, e.line.find('=')), "' differs from '",
                                   e.detail, "' only by spaces"}));
    }
  }
  return explanations;
}

std::string KindName(CExplanation::Kind kind) {
  switch (kind) {
    case CExplanation::Kind::kFiltered:
      return "filtered";
    case CExplanation::Kind::kBandCleared:
      return "band_cleared";
    case CExplanation::Kind::kReconcileRemoved:
      return "reconcile_removed";
    case CExplanation::Kind::kReconcileRestored:
      return "reconcile_restored";
    case CExplanation::Kind::kRenumbered:
      return "renumbered";
    case CExplanation::Kind::kSpacing:
      return "spacing";
    case CExplanation::Kind::kDuplicate:
      return "duplicate";
    case CExplanation::Kind::kUnordered:
      return "unordered";
    case CExplanation::Kind::kUnknownSection:
      return "unknown_section";
    case CExplanation::Kind::kBeforeFirstHeader:
      return "before_first_header";
    case CExplanation::Kind::kRepeatedHeader:
      return "repeated_header";
  }
  return "unknown";
}

bool QuotesItsLine(CExplanation::Kind kind) {
  using Kind = CExplanation::Kind;
  return kind != Kind::kBandCleared && kind != Kind::kRenumbered && kind != Kind::kSpacing;
}

void AppendDescription(std::string& text, const CExplanation& e, std::string_view quote) {
  // Appended piece by piece: --explain and HTML describe every line set aside, and a string
  // made for each was most of their cost.
  if (e.file == 1 || e.file == 2) {
    text.append(e.file == 1 ? "file 1" : "file 2");
  } else {
    text.append("file ").append(std::to_string(e.file));
  }
  switch (e.kind) {
    case CExplanation::Kind::kFiltered:
    case CExplanation::Kind::kReconcileRemoved:
    case CExplanation::Kind::kDuplicate:
    case CExplanation::Kind::kUnordered:
    case CExplanation::Kind::kUnknownSection:
    case CExplanation::Kind::kBeforeFirstHeader:
    case CExplanation::Kind::kRepeatedHeader:
      AppendPieces(text, {": not compared ", quote, e.line, quote, ": ", e.reason});
      return;
    case CExplanation::Kind::kBandCleared:
      AppendPieces(text, {": ", e.section, " band not compared: ", e.reason});
      return;
    case CExplanation::Kind::kReconcileRestored:
      AppendPieces(text, {": kept ", quote, e.line, quote, ": ", e.reason});
      return;
    case CExplanation::Kind::kRenumbered:
      AppendPieces(text, {": MAC address ", quote, e.line.substr(e.line.find('=') + 1), quote,
                          " matched under another number: ", EntryKeyNumber(e.line), " -> ",
                          EntryKeyNumber(e.detail)});
      return;
    case CExplanation::Kind::kSpacing:
      AppendPieces(text, {": ", e.reason});
      return;
  }
}

std::string DescribeExplanation(const CExplanation& e) {
  std::string text;
  AppendDescription(text, e);
  return text;
}

}  // namespace varnic::report
