#include "rules/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

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

TEST(MatchingRules, ConditionsHoldWhereTheirTextLiesAnywhereWithinKeyAndValue) {
  const std::string longKey = std::string(70, 'a') + "aab";
  struct Case {
    std::string item;
    std::string rule;
    bool holds;
  };
  const std::vector<Case> cases = {
      {"my_key=1", "|my_=1|:|k|", true},
      {"my_key=1", "|key=|:|k|", true},
      {"my_key=1", "|y_k=1|:|k|", true},
      {"my_ke=1", "|key=|:|k|", false},
      {"aaab=x", "|aab=|:|k|", true},
      {"ab=x", "|abc=|:|k|", false},
      {"k=WPA2-PSK", "|k=PSK|:|k|", true},
      {"k=WPA2-PS", "|k=PSK|:|k|", false},
      {longKey + "=v", "|aaab=v|:|k|", true},
      {longKey + "=v", "|aaac=|:|k|", false},
      {"k=" + longKey, "|k=aab|:|k|", true},
      {"=v", "|a=|:|k|", false},
      // A key is searched with shifts: none may pass over a place where it starts.
      {"filter_mac_add_filter_mac_acl=1", "|filter_mac_acl=|:|k|", true},
      {"abaababa=1", "|ababa=|:|k|", true},
      {"abaabab=1", "|ababa=|:|k|", false},
      {"xyzzy=1", "|zzy=|:|k|", true},
      {"zyzzx=1", "|zzy=|:|k|", false},
      {"xxabc=1", "|abc=|:|k|", true},
  };
  for (const Case& c : cases) {
    const CRuleList rules({c.rule});
    EXPECT_EQ(MatchingRules({c.item}, rules).size(), c.holds ? 1u : 0u) << c.item << " " << c.rule;
  }
}

// With several condition keys open at once, most items are ruled out by the byte pairs their
// keys lack; no condition that holds may be ruled out so, nor one asked only after another held.
TEST(MatchingRules, ManyOpenKeysAnswerAsOneSearchEach) {
  const CRuleList rules({"|SSID1_Status=Enable|SSID1_Security=WPA|:|k|",
                         "|SSID2_Status=Enable|:|k|", "|Q=x|:|k|", "|tus=|:|k|",
                         "|SSID1_Status=Enable|e=P|:|k|", "|=|:|k|"});
  struct Case {
    std::vector<std::string> items;
    std::vector<std::uint16_t> matching;
  };
  const std::vector<Case> cases = {
      {{"SSID1_Security=WPA2", "xSSID1_Status_y=Enabled"}, {0, 3, 4, 5}},
      {{"SSID10_Status=Enable", "SSID1_Securit=WPA"}, {3, 5}},
      {{"SSID2_Status=Disable", "Q=x"}, {2, 3, 5}},
      {{"SSID2_Status=Enable", "SSID1_Status=Enable", "a=WPA", "Q=y"}, {1, 3, 5}},
      {{"note", "SSID1_Status=Enable", "cipher_type=WPA"}, {3, 4, 5}},
      {{"note", std::string(70, 'S') + "SSID2_Status=Enable"}, {1, 3, 5}},
  };
  for (const Case& c : cases) {
    const CLines bucket(c.items.begin(), c.items.end());
    EXPECT_EQ(MatchingRules(bucket, rules), c.matching) << c.items.front();
  }
}

// A revised file's filtering reuses another's matching rules when its changed lines meet the
// same conditions: what the items meet must tell exactly which rules match.
TEST(ConditionsMet, TellWhichRulesMatchAsMatchingRulesDoes) {
  const std::string longKey = std::string(70, 'S') + "SSID2_Status";
  const std::vector<std::string> ruleTexts = {"|SSID1_Status=Enable|SSID1_Security=WPA|:|k|",
                                              "|SSID2_Status=Enable|:|k|",
                                              "|Q=x|:|k|",
                                              "|tus=|:|k|",
                                              "|SSID1_Status=Enable|e=P|:|k|",
                                              "|=|:|k|",
                                              "|*=*|:|Username|",
                                              "|a=1|b=2|:|k1|",
                                              "|x=*|:|k|",
                                              "|:|k|"};
  const CRuleList rules(ruleTexts);
  const std::vector<std::vector<std::string>> buckets = {
      {},
      {"no equals"},
      {"a=1", "b=2"},
      {"SSID1_Security=WPA2", "xSSID1_Status_y=Enabled"},
      {"SSID10_Status=Enable", "SSID1_Securit=WPA"},
      {"SSID2_Status=Disable", "Q=x", "x="},
      {"note", longKey + "=Enable", "=v"},
      {"k=" + longKey, "tus"},
  };
  for (const auto& items : buckets) {
    const CLines bucket(items.begin(), items.end());
    std::vector<std::uint16_t> met;
    for (const std::string_view item : bucket) ConditionsMet(rules, item, met);
    std::vector<std::uint16_t> matching;
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const auto& conditions = rules[i].Conditions();
      if (!conditions.empty() &&
          std::all_of(conditions.begin(), conditions.end(), [&](const auto& c) {
            return std::find(met.begin(), met.end(), c.id) != met.end();
          })) {
        matching.push_back(static_cast<std::uint16_t>(i));
      }
    }
    EXPECT_EQ(matching, MatchingRules(bucket, rules)) << (items.empty() ? "" : items.front());
  }
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

TEST(CRule, KeyWithinAnswersAsAScanOfItsKeysFromEveryThread) {
  // Few keys or many, scanned at first and then indexed by substring: always as the scan answers.
  for (const int count : {3, 257}) {
    std::string text = "|filter_mac_acl=Enable|:|filter_mac_acl|";
    std::vector<std::string> keys = {"filter_mac_acl"};
    for (int i = 1; i < count; ++i) {
      keys.push_back("filter_mac_add" + std::to_string(i));
      text += keys.back() + "|";
    }
    const CRule rule(text);
    const std::vector<std::string> probes = {"",       "filter_mac_add",   "mac_add25",
                                             "add256", "filter_mac_add0",  "filter_mac_add257",
                                             "acl",    "filter_mac_acl2",  "Filter_mac_acl",
                                             "_add1",  "filter_mac_add12", "x"};
    const auto scan = [&](const std::string& probe) {
      return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
        return key.find(probe) != std::string::npos;
      });
    };
    // The index is built by whichever thread asks first; neither may see it half built.
    std::vector<std::thread> askers;
    std::array<std::vector<bool>, 2> answers;
    askers.reserve(answers.size());
    for (auto& answer : answers) {
      // Enough rounds that the index is built partway and answers the rest.
      askers.emplace_back([&] {
        for (int round = 0; round < 50; ++round) {
          for (const std::string& probe : probes) answer.push_back(rule.KeyWithin(probe));
        }
      });
    }
    for (std::thread& asker : askers) asker.join();
    for (std::size_t i = 0; i < answers[0].size(); ++i) {
      const std::string& probe = probes[i % probes.size()];
      EXPECT_EQ(answers[0][i], scan(probe)) << count << " " << probe << " " << i;
      EXPECT_EQ(answers[1][i], scan(probe)) << count << " " << probe << " " << i;
    }
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
