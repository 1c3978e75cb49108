#include "report/explain.h"

#include <array>
#include <initializer_list>
#include <optional>

#include "rules/rule_lists.h"

namespace varnic::cli {
namespace {

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) text.append(part);
  return text;
}

std::string EntryKeyNumber(std::string_view line) {
  const std::size_t eq = line.find('=');
  const std::string_view key = line.substr(0, eq);
  const std::size_t digits = key.find_first_of("0123456789");
  return digits == std::string_view::npos ? std::string(key) : std::string(key.substr(digits));
}

}  // namespace

std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         std::deque<std::string>& texts) {
  std::vector<CExplanation> explanations;
  const CChangeLog& log = comparison.Changes();
  explanations.reserve(log.Changes().size());
  std::array<std::array<bool, 2>, 2> cleared{};            // [file][band]: told once
  std::vector<std::optional<std::string_view>> ruleTexts;  // per rule set
  for (const CChange& change : log.Changes()) {
    const int file = static_cast<int>(change.file);
    const std::string_view section = change.section ? SectionHeader(*change.section) : "";
    switch (change.kind) {
      case ChangeKind::kFiltered: {
        if (ruleTexts.size() <= change.detail) ruleTexts.resize(change.detail + 1);
        std::optional<std::string_view>& detail = ruleTexts[change.detail];
        if (!detail) {
          // The conditions of the rules that matched tell a reader which settings made the
          // line irrelevant; their key lists (up to 257 keys) would only bury that.
          std::string& text = texts.emplace_back();
          const CRuleList& rules = RulesFor(*change.section);
          for (const std::uint16_t rule : log.RuleSet(change)) {
            if (!text.empty()) text += "; ";
            text += rules[rule].ConditionText();
          }
          detail = text;
        }
        explanations.push_back(
            {CExplanation::Kind::kFiltered, file, section, change.line, *detail});
        break;
      }
      case ChangeKind::kBandCleared: {
        const Band band = BandOf(*change.section).value_or(Band::k5GHz);
        bool& told = cleared[file - 1][static_cast<std::size_t>(band)];
        if (told) break;
        told = true;
        explanations.push_back({CExplanation::Kind::kBandCleared, file,
                                band == Band::k5GHz ? "5GHz" : "2.4GHz", "", ""});
        break;
      }
      case ChangeKind::kReconcileRemoved:
      case ChangeKind::kReconcileRestored:
        explanations.push_back({change.kind == ChangeKind::kReconcileRemoved
                                    ? CExplanation::Kind::kReconcileRemoved
                                    : CExplanation::Kind::kReconcileRestored,
                                file, section, change.line, ""});
        break;
      case ChangeKind::kRenumbered:
        explanations.push_back(
            {CExplanation::Kind::kRenumbered, file, section, change.line, log.After(change)});
        break;
      default:
        break;
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
  }
  return "unknown";
}

std::string DescribeExplanation(const CExplanation& e) {
  const std::string file = "file " + std::to_string(e.file);
  switch (e.kind) {
    case CExplanation::Kind::kFiltered:
      return Concat(
          {file, " ", e.section, ": dropped '", e.line, "': not relevant under ", e.detail});
    case CExplanation::Kind::kBandCleared:
      return Concat(
          {file, ": ", e.section, " band cleared: the other device type has no settings for it"});
    case CExplanation::Kind::kReconcileRemoved:
      return Concat({file, " ", e.section, ": removed '", e.line,
                     "': the other device type's section lacks its key"});
    case CExplanation::Kind::kReconcileRestored:
      return Concat(
          {file, " ", e.section, ": restored '", e.line, "': its own settings make it relevant"});
    case CExplanation::Kind::kRenumbered:
      return Concat({file, " ", e.section, ": MAC address '", e.line.substr(e.line.find('=') + 1),
                     "' renumbered ", EntryKeyNumber(e.line), " -> ", EntryKeyNumber(e.detail)});
  }
  return {};
}

}  // namespace varnic::cli
