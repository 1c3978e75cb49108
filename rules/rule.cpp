#include "rules/rule.h"

#include <algorithm>
#include <utility>

#include "rules/primitives.h"

namespace varnic {

CRule::CRule(std::string text) : text_(std::make_unique<const std::string>(std::move(text))) {
  const std::string_view rule = *text_;
  int cursor = 0;
  std::string_view key;
  std::string_view value;
  while (GetNextCondition(rule, cursor, key, value)) conditions_.push_back({key, value});
  cursor = 0;
  for (std::string_view k = GetNextRuleKey(rule, cursor); !k.empty();
       k = GetNextRuleKey(rule, cursor)) {
    keys_.push_back(k);
  }
}

std::string_view CRule::GoverningKey() const {
  return conditions_.empty() ? std::string_view() : conditions_.front().key;
}

std::string_view CRule::ConditionText() const { return Text().substr(0, Text().find(':')); }

CRuleList::CRuleList(const std::vector<std::string>& texts) {
  rules_.reserve(texts.size());
  std::vector<std::pair<std::string_view, std::string_view>> distinct;
  for (const std::string& text : texts) {
    CRule& rule = rules_.emplace_back(text);
    for (CCondition& condition : rule.conditions_) {
      const std::pair field{condition.key, condition.value};
      const auto it = std::find(distinct.begin(), distinct.end(), field);
      condition.id = static_cast<std::uint16_t>(it - distinct.begin());
      if (it == distinct.end()) distinct.push_back(field);
    }
  }
  conditionCount_ = distinct.size();
}

CConditionMemo::CConditionMemo(const CLines& items, const CRuleList& rules, Wildcard wildcard)
    : items_(items), wildcard_(wildcard), answers_(rules.ConditionCount(), -1) {}

bool CConditionMemo::Holds(const CCondition& condition) {
  std::int8_t& answer = answers_[condition.id];
  if (answer < 0) {
    const bool anyKey = wildcard_ == Wildcard::kAny && condition.key == "*";
    const bool anyValue = wildcard_ == Wildcard::kAny && condition.value == "*";
    const bool holds = std::any_of(items_.begin(), items_.end(), [&](std::string_view item) {
      const std::size_t eq = item.find('=');
      const std::string_view key = eq == std::string_view::npos ? "" : item.substr(0, eq);
      const std::string_view value = eq == std::string_view::npos ? "" : item.substr(eq + 1);
      return (anyKey || key.find(condition.key) != std::string_view::npos) &&
             (anyValue || value.find(condition.value) != std::string_view::npos);
    });
    answer = holds ? 1 : 0;
  }
  return answer != 0;
}

bool CConditionMemo::RuleHolds(const CRule& rule) {
  if (rule.Conditions().empty()) return false;
  return std::all_of(rule.Conditions().begin(), rule.Conditions().end(),
                     [&](const CCondition& condition) { return Holds(condition); });
}

}  // namespace varnic
