#ifndef VARNIC_RULES_RULE_LISTS_H_
#define VARNIC_RULES_RULE_LISTS_H_

#include "model/line_list.h"

namespace varnic {

// The five built-in relevance rule lists, each in the order its rules are tried.
struct CRuleLists {
  CLineList system;     // governs [System]
  CLineList wireless;   // the wireless-settings sections; always empty
  CLineList security;   // both security-settings sections
  CLineList filter;     // both MAC filter sections
  CLineList multiSsid;  // both multi-SSID sections
};

// Builds the rule lists from their tables and templates.
CRuleLists BuildRuleLists();

// One copy per process, built on first use and never changed, so that engines are cheap to make.
const CRuleLists& BuiltInRuleLists();

}  // namespace varnic

#endif  // VARNIC_RULES_RULE_LISTS_H_
