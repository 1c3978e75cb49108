#ifndef VARNIC_RULES_RULE_LISTS_H_
#define VARNIC_RULES_RULE_LISTS_H_

#include <array>
#include <string>
#include <vector>

#include "rules/rule.h"
#include "varnic/sections.h"

namespace varnic {

// The five built-in rule lists in their table notation, each in the order its rules are tried.
struct CRuleTexts {
  std::vector<std::string> system;     // governs [System]
  std::vector<std::string> wireless;   // the wireless-settings sections; always empty
  std::vector<std::string> security;   // both security-settings sections
  std::vector<std::string> filter;     // both MAC filter sections
  std::vector<std::string> multiSsid;  // both multi-SSID sections
};

CRuleTexts BuildRuleTexts();

// The same lists, compiled.
struct CRuleLists {
  CRuleList system;
  CRuleList wireless;
  CRuleList security;
  CRuleList filter;
  CRuleList multiSsid;
};

// One copy per process, compiled on first use and never changed.
const CRuleLists& BuiltInRuleLists();

// Which rule list governs a section, and which stages apply it: relevance filtering leaves the
// wireless sections alone, reconciliation the multi-SSID sections.
struct CSectionRules {
  Section section;
  const CRuleList* rules;
  bool filtered;
  bool reconciled;
};

// The nine sections in emission order, which is also the order in which both stages visit them.
const std::array<CSectionRules, kSectionCount>& SectionRuleTable();

const CRuleList& RulesFor(Section section);

}  // namespace varnic

#endif  // VARNIC_RULES_RULE_LISTS_H_
