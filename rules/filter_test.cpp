#include "rules/filter.h"

#include <gtest/gtest.h>

#include <ostream>

namespace varnic {
namespace {

const CRuleLists& Rules() { return BuiltInRuleLists(); }

struct FilterCase {
  const char* name;
  const CLineList CRuleLists::*rules;
  CLineList bucket;
  CLineList survivors;
  friend void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }
};

class FilterBucketTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterBucketTest, KeepsOnlyRelevantLinesInOrder) {
  const FilterCase& c = GetParam();
  CLineList bucket = c.bucket;
  CLineList dropped;
  FilterBucket(bucket, Rules().*c.rules, &dropped);
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

TEST(CollectRelevantKeys, WildcardHoldsOnAnyLineEvenWithoutEquals) {
  EXPECT_EQ(CollectRelevantKeys({"no equals"}, {"|*=*|:|Username|"}),
            std::vector<std::string>{"Username"});
  EXPECT_EQ(CollectRelevantKeys({"a=1", "b=2"}, {"|x=1|:|k|"}),
            (std::vector<std::string>{"a", "b"}));
}

TEST(CollectRelevantKeys, ConditionsMayHoldOnDifferentLinesAndKeysUnite) {
  EXPECT_EQ(CollectRelevantKeys({"a=1", "b=2"}, {"|a=1|b=2|:|k1|", "|b=|:|k2|k3|"}),
            (std::vector<std::string>{"k1", "k2", "k3"}));
}

TEST(IsRelevantKey, SubstringOfAnyEntry) {
  const std::vector<std::string> keep = {"SSID1_KeyIndex", "auth_type"};
  EXPECT_TRUE(IsRelevantKey("SSID1_Key", keep));
  EXPECT_TRUE(IsRelevantKey("", keep));
  EXPECT_FALSE(IsRelevantKey("auth_type2", keep));
}

class RecordingObserver : public CCompareObserver {
 public:
  void OnLineFiltered(FileSide file, Section section, std::string_view line,
                      const CLineList& /*rules*/) override {
    lines.push_back(std::to_string(static_cast<int>(file)) + std::string(SectionHeader(section)) +
                    std::string(line));
  }
  CLineList lines;
};

TEST(FilterSections, ReportsEveryDroppedLineAndChangesNothingElse) {
  CSectionBuckets file1;
  file1[Section::k24GHzSecurity] = {"auth_type=WPA2-Personal", "key1=stale"};
  file1[Section::k5GHzWireless] = {"anything=1"};
  CSectionBuckets file2;
  file2[Section::k5GHzFilter] = {"filter_mac_acl=Disable", "filter_mac_add1=A"};
  CSectionBuckets plain1 = file1;
  CSectionBuckets plain2 = file2;

  RecordingObserver observer;
  FilterSections(file1, file2, BuiltInRuleLists(), &observer);
  FilterSections(plain1, plain2, BuiltInRuleLists());
  EXPECT_EQ(file1, plain1);
  EXPECT_EQ(file2, plain2);
  EXPECT_EQ(file1[Section::k5GHzWireless], CLineList{"anything=1"});
  EXPECT_EQ(observer.lines,
            (CLineList{"1[2.4GHz_SecuritySettings]key1=stale", "2[5GHz_Filter]filter_mac_add1=A"}));
}

}  // namespace
}  // namespace varnic
