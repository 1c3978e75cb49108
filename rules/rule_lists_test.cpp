#include "rules/rule_lists.h"

#include <gtest/gtest.h>

#include <regex>

#include "rules/primitives.h"

namespace varnic {
namespace {

TEST(BuildRuleLists, CountsPerList) {
  const CRuleLists lists = BuildRuleLists();
  EXPECT_EQ(lists.system.size(), 5u);
  EXPECT_EQ(lists.wireless.size(), 0u);
  EXPECT_EQ(lists.security.size(), 15u);
  EXPECT_EQ(lists.filter.size(), 3u);
  EXPECT_EQ(lists.multiSsid.size(), 100u);
}

TEST(BuildRuleLists, FirstAndLastTemplateExpansions) {
  const CLineList& rules = BuiltInRuleLists().multiSsid;
  EXPECT_EQ(rules[0], "|Multi_Status=Enable|:|Multi_Status|");
  EXPECT_EQ(rules[1], "|Multi_Status=Disable|:|Multi_Status|");
  EXPECT_EQ(rules[2],
            "|SSID1_Status=Enable|SSID1_Security=Open System|SSID1_Wep_Status=Enable|:"
            "|Multi_Status|SSID1_Status|SSID1_Ssid|SSID1_Visibility|SSID1_Wmm|SSID1_Security"
            "|SSID1_Wep_Status|SSID1_KeyIndex|SSID1_KeySize|SSID1_KeyType|SSID1_Key|");
  EXPECT_EQ(rules[8],
            "|SSID1_Status=Enable|SSID1_Security=WPA-Personal|:|Multi_Status|SSID1_Status|"
            "SSID1_Ssid|SSID1_Visibility|SSID1_Wmm|SSID1_Security|SSID1_Cipher|SSID1_Group_Key|"
            "SSID1_PassPhrase|");
  EXPECT_EQ(rules[99],
            "|SSID7_Status=Enable|SSID7_Security=WPA2-Auto-Enterprise|:|Multi_Status|"
            "SSID7_Status|SSID7_Ssid|SSID7_Visibility|SSID7_Wmm|SSID7_Security|SSID7_Cipher|"
            "SSID7_Group_Key|SSID7_Radius_Server|SSID7_Radius_Port|SSID7_Radius_Secret|");
}

TEST(BuildRuleLists, EveryNumberInAnSsidRuleIsItsSsid) {
  const CLineList& rules = BuiltInRuleLists().multiSsid;
  const std::regex number("SSID([0-9]+)");
  for (std::size_t i = 2; i < rules.size(); ++i) {
    const int n = static_cast<int>((i - 2) / 14) + 1;
    for (auto it = std::sregex_iterator(rules[i].begin(), rules[i].end(), number);
         it != std::sregex_iterator(); ++it) {
      EXPECT_EQ((*it)[1], std::to_string(n)) << "rule " << i + 1;
    }
  }
}

TEST(BuildRuleLists, RejectAndAcceptNameTheWholeEntryRange) {
  const CLineList& rules = BuiltInRuleLists().filter;
  EXPECT_EQ(rules[0], "|filter_mac_acl=Disable|:|filter_mac_acl|");
  for (const std::size_t i : {1u, 2u}) {
    const std::string& rule = rules[i];
    EXPECT_EQ(rule.size(), 4540u);
    EXPECT_TRUE(rule.ends_with("|filter_mac_add256|"));
    int cursor = 0;
    std::vector<std::string> keys;
    for (auto k = GetNextRuleKey(rule, cursor); !k.empty(); k = GetNextRuleKey(rule, cursor)) {
      keys.emplace_back(k);
    }
    ASSERT_EQ(keys.size(), 257u);
    EXPECT_EQ(keys[0], "filter_mac_acl");
    EXPECT_EQ(keys[1], "filter_mac_add1");
    EXPECT_EQ(keys[256], "filter_mac_add256");
  }
  EXPECT_TRUE(rules[1].starts_with("|filter_mac_acl=Reject|:|filter_mac_acl|filter_mac_add1|"));
  EXPECT_TRUE(rules[2].starts_with("|filter_mac_acl=Accept|:|filter_mac_acl|filter_mac_add1|"));
}

TEST(BuildRuleLists, SecurityKeyListsKeepTheirDifferences) {
  const CLineList& rules = BuiltInRuleLists().security;
  EXPECT_EQ(rules[11],
            "|auth_type=WPA-Auto-Enterprise|:|auth_type|cipher_type|group_key_update_interval|"
            "radius_server|radius_port|radius_secret|");
  EXPECT_EQ(rules[13],
            "|auth_type=WPA2-Auto-Enterprise|:|auth_type|cipher_type|group_key_update_interval|"
            "radius_status|radius_server|radius_port|radius_secret|");
  EXPECT_EQ(rules[14],
            "|auth_type=802.1x|:|auth_type|radius_status|8021X_key_update_interval|radius_server|"
            "radius_port|radius_secret|");
  EXPECT_EQ(rules[4],
            "|auth_type=Open System / Shared Key|wep_status=Enable|:|auth_type|wep_status|keysize|"
            "keytype|active_key_index|key1|key2|key3|key4|");
}

TEST(BuiltInRuleLists, IsBuiltOnce) { EXPECT_EQ(&BuiltInRuleLists(), &BuiltInRuleLists()); }

}  // namespace
}  // namespace varnic
