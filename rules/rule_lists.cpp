#include "rules/rule_lists.h"

#include <array>
#include <string>
#include <string_view>

namespace varnic {
namespace {

constexpr std::array<std::string_view, 5> kSystemRules = {
    "|*=*|:|Username|Password|",
    "|DHCPclient=Enable|:|DHCPclient|",
    "|DHCPclient=Disable|:|DHCPclient|Mask|Gateway|",
    "|Telnet_option=Enable|:|Telnet_option|IsSSH|Telnet_timeout|",
    "|Telnet_option=Disable|:|Telnet_option|",
};

constexpr std::string_view kWepKeys =
    "|auth_type|wep_status|keysize|keytype|active_key_index|key1|key2|key3|key4|";
constexpr std::string_view kPersonalKeys =
    "|auth_type|autorekey|cipher_type|group_key_update_interval|passphrase|";
constexpr std::string_view kEnterpriseKeys =
    "|auth_type|radius_status|cipher_type|group_key_update_interval|radius_server|radius_port|"
    "radius_secret|";

// Condition part and key list of each security rule; the key lists differ in small ways that
// stored comparisons rely on, so they are spelled out rather than derived.
constexpr std::array<std::array<std::string_view, 2>, 15> kSecurityRules = {{
    {"|auth_type=Open System|wep_status=Enable|", kWepKeys},
    {"|auth_type=Open System|wep_status=Disable|", "|auth_type|wep_status|"},
    {"|auth_type=Shared Key|wep_status=Enable|", kWepKeys},
    {"|auth_type=Shared Key|wep_status=Disable|", "|auth_type|wep_status|"},
    {"|auth_type=Open System / Shared Key|wep_status=Enable|", kWepKeys},
    {"|auth_type=Open System / Shared Key|wep_status=Disable|", "|auth_type|wep_status|"},
    {"|auth_type=WPA-Personal|", kPersonalKeys},
    {"|auth_type=WPA-Enterprise|", kEnterpriseKeys},
    {"|auth_type=WPA2-Personal|", kPersonalKeys},
    {"|auth_type=WPA2-Enterprise|", kEnterpriseKeys},
    {"|auth_type=WPA-Auto-Personal|", kPersonalKeys},
    {"|auth_type=WPA-Auto-Enterprise|",
     "|auth_type|cipher_type|group_key_update_interval|radius_server|radius_port|radius_secret|"},
    {"|auth_type=WPA2-Auto-Personal|", kPersonalKeys},
    {"|auth_type=WPA2-Auto-Enterprise|",
     "|auth_type|cipher_type|group_key_update_interval|radius_status|radius_server|radius_port|"
     "radius_secret|"},
    {"|auth_type=802.1x|",
     "|auth_type|radius_status|8021X_key_update_interval|radius_server|radius_port|radius_secret|"},
}};

constexpr int kMacEntryKeys = 256;
constexpr int kSsidCount = 7;

constexpr std::string_view kSsidKeyList =
    "|Multi_Status|SSID%d_Status|SSID%d_Ssid|SSID%d_Visibility|SSID%d_Wmm|SSID%d_Security";

constexpr std::string_view kWepTail =
    "|SSID%d_Wep_Status|SSID%d_KeyIndex|SSID%d_KeySize|SSID%d_KeyType|SSID%d_Key|";
constexpr std::string_view kWepOffTail = "|SSID%d_Wep_Status|";
constexpr std::string_view kPersonalTail = "|SSID%d_Cipher|SSID%d_Group_Key|SSID%d_PassPhrase|";
constexpr std::string_view kEnterpriseTail =
    "|SSID%d_Cipher|SSID%d_Group_Key|SSID%d_Radius_Server|SSID%d_Radius_Port|"
    "SSID%d_Radius_Secret|";

// Each template is a condition part, ":%s" and a tail; %d is the SSID number throughout.
constexpr std::array<std::array<std::string_view, 2>, 14> kSsidTemplates = {{
    {"|SSID%d_Status=Enable|SSID%d_Security=Open System|SSID%d_Wep_Status=Enable|", kWepTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=Open System|SSID%d_Wep_Status=Disable|", kWepOffTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=Shared Key|SSID%d_Wep_Status=Enable|", kWepTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=Shared Key|SSID%d_Wep_Status=Disable|", kWepOffTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=Open System / Shared Key|SSID%d_Wep_Status=Enable|",
     kWepTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=Open System / Shared Key|SSID%d_Wep_Status=Disable|",
     kWepOffTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA-Personal|", kPersonalTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA-Enterprise|", kEnterpriseTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA2-Personal|", kPersonalTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA2-Enterprise|", kEnterpriseTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA-Auto-Personal|", kPersonalTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA-Auto-Enterprise|", kEnterpriseTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA2-Auto-Personal|", kPersonalTail},
    {"|SSID%d_Status=Enable|SSID%d_Security=WPA2-Auto-Enterprise|", kEnterpriseTail},
}};

// Replaces every "%d" of `format` with `n`.
std::string WithNumber(std::string_view format, int n) {
  const std::string number = std::to_string(n);
  std::string out;
  out.reserve(format.size() + 8);
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd') {
      out += number;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace

CRuleTexts BuildRuleTexts() {
  CRuleTexts lists;
  lists.system.assign(kSystemRules.begin(), kSystemRules.end());

  for (const auto& [conditions, keys] : kSecurityRules) {
    lists.security.push_back(std::string(conditions) + ":" + std::string(keys));
  }

  lists.filter.emplace_back("|filter_mac_acl=Disable|:|filter_mac_acl|");
  std::string reject = "|filter_mac_acl=Reject|:|filter_mac_acl|";
  std::string accept = "|filter_mac_acl=Accept|:|filter_mac_acl|";
  for (int n = 1; n <= kMacEntryKeys; ++n) {
    const std::string key = "filter_mac_add" + std::to_string(n) + "|";
    reject += key;
    accept += key;
  }
  lists.filter.push_back(std::move(reject));
  lists.filter.push_back(std::move(accept));

  lists.multiSsid.emplace_back("|Multi_Status=Enable|:|Multi_Status|");
  lists.multiSsid.emplace_back("|Multi_Status=Disable|:|Multi_Status|");
  for (int n = 1; n <= kSsidCount; ++n) {
    const std::string keyList = WithNumber(kSsidKeyList, n);
    for (const auto& [conditions, tail] : kSsidTemplates) {
      lists.multiSsid.push_back(WithNumber(conditions, n) + ":" + keyList + WithNumber(tail, n));
    }
  }
  return lists;
}

const CRuleLists& BuiltInRuleLists() {
  // Built on first use, once per process: a comparison pays nothing for it, and a process that
  // compares nothing pays nothing at all.
  static const CRuleLists lists = [] {
    const CRuleTexts texts = BuildRuleTexts();
    return CRuleLists{CRuleList(texts.system), CRuleList(texts.wireless), CRuleList(texts.security),
                      CRuleList(texts.filter), CRuleList(texts.multiSsid)};
  }();
  return lists;
}

const std::array<CSectionRules, kSectionCount>& SectionRuleTable() {
  static const std::array<CSectionRules, kSectionCount> table = [] {
    const CRuleLists& lists = BuiltInRuleLists();
    return std::array<CSectionRules, kSectionCount>{{
        {Section::kSystem, &lists.system, true, true},
        {Section::k5GHzWireless, &lists.wireless, false, true},
        {Section::k24GHzWireless, &lists.wireless, false, true},
        {Section::k5GHzSecurity, &lists.security, true, true},
        {Section::k24GHzSecurity, &lists.security, true, true},
        {Section::k5GHzFilter, &lists.filter, true, true},
        {Section::k24GHzFilter, &lists.filter, true, true},
        {Section::k5GHzMultiSSID, &lists.multiSsid, true, false},
        {Section::k24GHzMultiSSID, &lists.multiSsid, true, false},
    }};
  }();
  return table;
}

const CRuleList& RulesFor(Section section) {
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (entry.section == section) return *entry.rules;
  }
  return BuiltInRuleLists().wireless;
}

}  // namespace varnic
