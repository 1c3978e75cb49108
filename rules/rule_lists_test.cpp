#include "rules/rule_lists.h"

#include <gtest/gtest.h>

#include <regex>

#include "rules/primitives.h"

namespace varnic {
namespace {

TEST(BuildRuleLists, CountsPerList) {
  const CRuleLists& lists = BuiltInRuleLists();
  EXPECT_EQ(lists.system.size(), 5u);
  EXPECT_EQ(lists.wireless.size(), 0u);
  EXPECT_EQ(lists.security.size(), 15u);
  EXPECT_EQ(lists.filter.size(), 3u);
  EXPECT_EQ(lists.multiSsid.size(), 100u);
}

TEST(BuildRuleLists, FirstAndLastTemplateExpansions) {
  const std::vector<std::string> rules = BuildRuleTexts().multiSsid;
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
  const std::vector<std::string> rules = BuildRuleTexts().multiSsid;
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
  const std::vector<std::string> rules = BuildRuleTexts().filter;
  EXPECT_EQ(rules[0], "|filter_mac_acl=Disable|:|filter_mac_acl|");
  for (const std::size_t i : {1u, 2u}) {
    const std::string& rule = rules[i];
    EXPECT_EQ(rule.size(), 4540u);
    EXPECT_TRUE(rule.ends_with("|filter_mac_add256|"));
    const auto& keys = BuiltInRuleLists().filter[i].Keys();
    ASSERT_EQ(keys.size(), 257u);
    EXPECT_EQ(keys[0], "filter_mac_acl");
    EXPECT_EQ(keys[1], "filter_mac_add1");
    EXPECT_EQ(keys[256], "filter_mac_add256");
  }
  EXPECT_TRUE(rules[1].starts_with("|filter_mac_acl=Reject|:|filter_mac_acl|filter_mac_add1|"));
  EXPECT_TRUE(rules[2].starts_with("|filter_mac_acl=Accept|:|filter_mac_acl|filter_mac_add1|"));
}

TEST(BuildRuleLists, SecurityKeyListsKeepTheirDifferences) {
  const std::vector<std::string> rules = BuildRuleTexts().security;
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

TEST(BuiltInRuleLists, CompiledRulesKeepTheirNotationAndShareEqualConditions) {
  const CRuleList& security = BuiltInRuleLists().security;
  const CRule& wep = security[0];
  EXPECT_EQ(wep.ConditionText(), "|auth_type=Open System|wep_status=Enable|");
  EXPECT_EQ(wep.GoverningKey(), "auth_type");
  ASSERT_EQ(wep.Conditions().size(), 2u);
  EXPECT_EQ(wep.Conditions()[1].value, "Enable");
  EXPECT_EQ(wep.Keys().size(), 9u);
  // "wep_status=Enable" recurs in three rules: one condition, answered once per bucket.
  EXPECT_EQ(security[2].Conditions()[1].id, wep.Conditions()[1].id);
  EXPECT_NE(security[1].Conditions()[1].id, wep.Conditions()[1].id);
  EXPECT_EQ(BuiltInRuleLists().system[0].GoverningKey(), "*");
}

TEST(SectionRuleTable, FilteringSkipsWirelessAndReconciliationSkipsMultiSsid) {
  std::vector<Section> filtered;
  std::vector<Section> reconciled;
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (entry.filtered) filtered.push_back(entry.section);
    if (entry.reconciled) reconciled.push_back(entry.section);
  }
  EXPECT_EQ(filtered,
            (std::vector<Section>{Section::kSystem, Section::k5GHzSecurity, Section::k24GHzSecurity,
                                  Section::k5GHzFilter, Section::k24GHzFilter,
                                  Section::k5GHzMultiSSID, Section::k24GHzMultiSSID}));
  EXPECT_EQ(reconciled,
            (std::vector<Section>{Section::kSystem, Section::k5GHzWireless, Section::k24GHzWireless,
                                  Section::k5GHzSecurity, Section::k24GHzSecurity,
                                  Section::k5GHzFilter, Section::k24GHzFilter}));
  EXPECT_EQ(&RulesFor(Section::k24GHzMultiSSID), &BuiltInRuleLists().multiSsid);
}

}  // namespace
}  // namespace varnic
