#include "rules/filter.h"

#include <gtest/gtest.h>

#include <ostream>

#include "rules/rule_lists.h"

namespace varnic {
namespace {

const CRuleLists& Rules() { return BuiltInRuleLists(); }

struct FilterCase {
  const char* name;
  const CRuleList CRuleLists::*rules;
  CLines bucket;
  CLines survivors;
  friend void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }
};

class FilterBucketTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterBucketTest, KeepsOnlyRelevantLinesInOrder) {
  const FilterCase& c = GetParam();
  CLines bucket = c.bucket;
  CLines dropped;
  FilterBucket(bucket, Rules().*c.rules, dropped);
  EXPECT_EQ(bucket, c.survivors);
  EXPECT_EQ(bucket.size() + dropped.size(), c.bucket.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterBucketTest,
    ::testing::Values(
        FilterCase{"Wpa2DropsStaleWepFields",
                   &CRuleLists::security,
                   {"auth_type=WPA2-Personal", "wep_status=Enable", "keysize=64", "cipher_type=AES",
                    "group_key_update_interval=60"},
                   {"auth_type=WPA2-Personal", "cipher_type=AES", "group_key_update_interval=60"}},
        FilterCase{"OpenSystemSharedKeyMatchesTheWepRulesByContainment",
                   &CRuleLists::security,
                   {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64",
                    "cipher_type=AES", "group_key_update_interval=60"},
                   {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64"}},
        FilterCase{"LetterCaseMattersSoNoRuleMatchesAndAllStays",
                   &CRuleLists::security,
                   {"auth_type=wpa2-personal", "key1=abc"},
                   {"auth_type=wpa2-personal", "key1=abc"}},
        FilterCase{"PartOfAConditionValueIsNoMatch",
                   &CRuleLists::security,
                   {"auth_type=Personal", "key1=abc"},
                   {"auth_type=Personal", "key1=abc"}},
        FilterCase{"MultiSsidKeepsEnabledSsidFieldsOnly",
                   &CRuleLists::multiSsid,
                   {"Multi_Status=Enable", "SSID1_Status=Enable", "SSID1_Ssid=Lobby",
                    "SSID1_Security=WPA2-Personal", "SSID1_Wep_Status=Disable",
                    "SSID2_Status=Disable", "SSID2_Ssid=Office"},
                   {"Multi_Status=Enable", "SSID1_Status=Enable", "SSID1_Ssid=Lobby",
                    "SSID1_Security=WPA2-Personal"}},
        FilterCase{
            "SystemOfUnrelatedKeysKeepsLoginAndKeylessLines",
            &CRuleLists::system,
            {"Contact=lab", "Username=admin", "note without equals", "Location=roof", "Password=x"},
            {"Username=admin", "note without equals", "Password=x"}},
        FilterCase{
            "DhcpDisabledKeepsStaticAddressing",
            &CRuleLists::system,
            {"DHCPclient=Disable", "Mask=255.0.0.0", "Gateway=10.0.0.1", "Telnet_option=Disable",
             "Telnet_timeout=5"},
            {"DHCPclient=Disable", "Mask=255.0.0.0", "Gateway=10.0.0.1", "Telnet_option=Disable"}},
        FilterCase{"AcceptKeepsEntry256AndDropsEntry257",
                   &CRuleLists::filter,
                   {"filter_mac_acl=Accept", "filter_mac_add256=A", "filter_mac_add257=B",
                    "filter_mac_add=C"},
                   {"filter_mac_acl=Accept", "filter_mac_add256=A", "filter_mac_add=C"}},
        FilterCase{"DisabledFilterKeepsOnlyItsSwitch",
                   &CRuleLists::filter,
                   {"filter_mac_acl=Disable", "filter_mac_add1=A"},
                   {"filter_mac_acl=Disable"}},
        FilterCase{"NoAclLineLeavesTheBucketWhole",
                   &CRuleLists::filter,
                   {"filter_mac_add1=A", "other=1"},
                   {"filter_mac_add1=A", "other=1"}},
        FilterCase{"DuplicateKeysShareTheirFate",
                   &CRuleLists::security,
                   {"auth_type=WPA2-Personal", "key1=a", "passphrase=p", "key1=b", "passphrase=q"},
                   {"auth_type=WPA2-Personal", "passphrase=p", "passphrase=q"}},
        FilterCase{"EmptyBucketStaysEmpty", &CRuleLists::system, {}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(MatchingRules, WildcardHoldsOnAnyLineAndConditionsMayHoldOnDifferentLines) {
  const CRuleList rules(
      {"|*=*|:|Username|", "|a=1|b=2|:|k1|", "|b=|:|k2|k3|", "|x=1|:|k|", "|:|k|"});
  EXPECT_EQ(MatchingRules({"no equals"}, rules), (std::vector<std::uint16_t>{0}));
  EXPECT_EQ(MatchingRules({"a=1", "b=2"}, rules), (std::vector<std::uint16_t>{0, 1, 2}));
  EXPECT_TRUE(MatchingRules({}, rules).empty());
}

TEST(CKeepList, AKeyIsKeptWhenItLiesWithinAnEntryAlsoOnceIndexed) {
  CKeepList keep;
  keep.Add("SSID1_KeyIndex");
  keep.Add("auth_type");
  // Past the first scans the answers come from an index of substrings; they must not change.
  for (int round = 0; round < 100; ++round) {
    ASSERT_TRUE(keep.Contains("SSID1_Key")) << round;
    ASSERT_TRUE(keep.Contains("")) << round;
    ASSERT_TRUE(keep.Contains("th_ty")) << round;
    ASSERT_FALSE(keep.Contains("auth_type2")) << round;
    ASSERT_FALSE(keep.Contains("Index1")) << round;
  }
}

TEST(FilterSections, LogsEveryDroppedLineWithTheRulesThatMatched) {
  CSectionBuckets file1;
  file1[Section::k24GHzSecurity] = {"auth_type=WPA2-Personal", "key1=stale"};
  file1[Section::k5GHzWireless] = {"anything=1"};
  CSectionBuckets file2;
  file2[Section::k5GHzFilter] = {"filter_mac_acl=Disable", "filter_mac_add1=A"};

  CChangeLog log;
  FilterSections(file1, file2, log);
  EXPECT_EQ(file1[Section::k5GHzWireless], CLines{"anything=1"});
  ASSERT_EQ(log.Changes().size(), 2u);
  const CChange& first = log.Changes()[0];
  EXPECT_EQ(first.line, "key1=stale");
  EXPECT_EQ(first.file, FileSide::kFile1);
  EXPECT_EQ(first.section, Section::k24GHzSecurity);
  ASSERT_EQ(log.RuleSet(first).size(), 1u);
  EXPECT_EQ(Rules().security[log.RuleSet(first)[0]].ConditionText(), "|auth_type=WPA2-Personal|");
  EXPECT_EQ(log.Changes()[1].line, "filter_mac_add1=A");
  EXPECT_EQ(log.Changes()[1].file, FileSide::kFile2);
}

}  // namespace
}  // namespace varnic
