#include "rules/reconcile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "rules/rule_lists.h"

namespace varnic {
namespace {

const CRuleList& DhcpRules() {
  static const CRuleList rules(
      {"|DHCPclient=Enable|:|DHCPclient|", "|DHCPclient=Disable|:|DHCPclient|Mask|Gateway|"});
  return rules;
}

struct SectionCase {
  const char* name;
  const CRuleList* rules;
  CLines type0;
  CLines type1;
  CLines expected;
  friend void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }
};

class ReconcileSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(ReconcileSectionTest, ThinsAndRestores) {
  const SectionCase& c = GetParam();
  CLines type0 = c.type0;
  CLines removed;
  CLines restored;
  ReconcileSection(type0, c.type1, *c.rules, removed, restored);
  EXPECT_EQ(type0, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReconcileSectionTest,
    ::testing::Values(
        SectionCase{
            "DhcpWorkedExample",
            &DhcpRules(),
            {"DHCPclient=Disable", "Mask=255.255.255.0", "Contact=lab", "Gateway=192.168.0.1",
             "Location=roof"},
            {"Contact=office", "DHCPclient=Enable", "Mask=255.255.0.0"},
            {"DHCPclient=Disable", "Mask=255.255.255.0", "Gateway=192.168.0.1", "Contact=lab"}},
        SectionCase{
            "FilterGapAppendsAtTheEnd",
            &BuiltInRuleLists().filter,
            {"filter_mac_acl=Accept", "filter_mac_add2=mac2", "filter_mac_add3=mac3", "other=1"},
            {"filter_mac_acl=Disable", "other=2"},
            {"filter_mac_acl=Accept", "other=1", "filter_mac_add2=mac2", "filter_mac_add3=mac3"}},
        SectionCase{"MissingTypeOneSectionEmptiesTheTypeZeroOne",
                    &BuiltInRuleLists().system,
                    {"DHCPclient=Enable", "Username=a"},
                    {},
                    {}},
        SectionCase{"EmptyTypeZeroSectionStaysEmpty", &DhcpRules(), {}, {"DHCPclient=Enable"}, {}},
        SectionCase{"LoginKeptOnlyWhenTheTypeOneSectionHasIt",
                    &BuiltInRuleLists().system,
                    {"Username=a", "Password=b", "DHCPclient=Enable"},
                    {"Username=x", "DHCPclient=Enable"},
                    {"Username=a", "DHCPclient=Enable"}},
        SectionCase{"NoDhcpInTypeOneDropsDhcpMaskAndGateway",
                    &BuiltInRuleLists().system,
                    {"DHCPclient=Disable", "Mask=1", "Gateway=2", "Contact=x"},
                    {"Contact=y"},
                    {"Contact=x"}},
        SectionCase{"BlankLineNeedsAnEmptyKeyItemOnTheOtherSide",
                    &BuiltInRuleLists().wireless,
                    {"a=1", "", "b=2"},
                    {"a=9", "b=9"},
                    {"a=1", "b=2"}},
        SectionCase{"BlankLineSurvivesAgainstAKeylessLine",
                    &BuiltInRuleLists().wireless,
                    {"a=1", ""},
                    {"a=9", "comment"},
                    {"a=1", ""}},
        SectionCase{"WirelessKeysFollowTheOtherSideValuesIgnored",
                    &BuiltInRuleLists().wireless,
                    {"ssid=A", "channel=6", "band_steering=Enable"},
                    {"channel=11", "ssid=B"},
                    {"ssid=A", "channel=6"}},
        SectionCase{
            "CombinedWepModeRestoresEachKeyOnce",
            &BuiltInRuleLists().security,
            {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64", "key1=k"},
            {"auth_type=Open System", "wep_status=Disable"},
            {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64", "key1=k"}},
        SectionCase{"DuplicatesGoTogetherAndOnlyTheFirstComesBack",
                    &DhcpRules(),
                    {"DHCPclient=Disable", "Mask=1", "Mask=2", "Other=a", "Other=b"},
                    {"DHCPclient=Enable"},
                    {"DHCPclient=Disable", "Mask=1"}}),
    [](const auto& info) { return info.param.name; });

CSectionBuckets Bands(bool with5GHz, bool with24GHz) {
  CSectionBuckets buckets;
  buckets[Section::kSystem] = {"DHCPclient=Enable"};
  if (with5GHz) buckets[Section::k5GHzSecurity] = {"auth_type=WPA2-Personal"};
  if (with24GHz) buckets[Section::k24GHzWireless] = {""};  // a blank line counts as a line
  return buckets;
}

struct BandCase {
  const char* name;
  std::int32_t nType1;
  CSectionBuckets file1;
  CSectionBuckets file2;
  CSectionBuckets expected1;
  CSectionBuckets expected2;
  friend void PrintTo(const BandCase& c, std::ostream* os) { *os << c.name; }
};

class ReconcileBandsTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(ReconcileBandsTest, ClearsAtMostOneBandOfTheTypeOneFile) {
  const BandCase& c = GetParam();
  CSectionBuckets file1 = c.file1;
  CSectionBuckets file2 = c.file2;
  CChangeLog log;
  ReconcileBands(c.nType1, file1, file2, log);
  EXPECT_TRUE(file1 == c.expected1);
  EXPECT_TRUE(file2 == c.expected2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReconcileBandsTest,
    ::testing::Values(BandCase{"TypeZeroWithoutFiveGhz", 0, Bands(false, true), Bands(true, true),
                               Bands(false, true), Bands(false, true)},
                      BandCase{"TypeZeroWithNeitherBandClearsOnlyFiveGhz", 0, Bands(false, false),
                               Bands(true, true), Bands(false, false), Bands(false, true)},
                      BandCase{"TypeZeroWithout24Ghz", 0, Bands(true, false), Bands(true, true),
                               Bands(true, false), Bands(true, false)},
                      BandCase{"BothBandsChangeNothing", 0, Bands(true, true), Bands(false, true),
                               Bands(true, true), Bands(false, true)},
                      BandCase{"TypeOneSwapsTheRoles", 1, Bands(true, true), Bands(false, true),
                               Bands(false, true), Bands(false, true)},
                      BandCase{"OtherTypeInspectsAndChangesFileTwoOnly", 2, Bands(true, true),
                               Bands(false, true), Bands(true, true), Bands(false, true)}),
    [](const auto& info) { return info.param.name; });

TEST(ReconcileSections, OtherTypeThinsFileTwoAgainstItself) {
  CSectionBuckets file1;
  file1[Section::kSystem] = {"DHCPclient=Enable", "Mask=1", "Gateway=2"};
  CSectionBuckets file2 = file1;
  const CSectionBuckets untouched = file1;
  CChangeLog log;
  ReconcileSections(2, file1, file2, log);
  EXPECT_TRUE(file1 == untouched);
  EXPECT_EQ(file2[Section::kSystem], CLines{"DHCPclient=Enable"});
}

TEST(ReconcileSections, MultiSsidSectionsTakeNoPart) {
  CSectionBuckets file1;
  file1[Section::k5GHzMultiSSID] = {"Multi_Status=Enable"};
  CSectionBuckets file2;
  CChangeLog log;
  ReconcileSections(0, file1, file2, log);
  EXPECT_EQ(file1[Section::k5GHzMultiSSID], CLines{"Multi_Status=Enable"});
}

TEST(Reconcile, LogsEveryLineRemovedClearedAndRestored) {
  CSectionBuckets file1;
  file1[Section::kSystem] = {"DHCPclient=Disable", "Mask=1", "Contact=x"};
  CSectionBuckets file2 = Bands(true, true);
  file2[Section::kSystem] = {"DHCPclient=Enable"};
  CChangeLog log;
  ReconcileBands(1, file1, file2, log);
  ReconcileSections(1, file1, file2, log);
  std::vector<std::string> events;
  for (const CChange& change : log.Changes()) {
    events.push_back(std::to_string(static_cast<int>(change.kind)) + " " +
                     std::to_string(static_cast<int>(change.file)) + " " +
                     std::string(change.line));
  }
  // File 2 (type 0) has both bands, so no band of file 1 is cleared; its sections are thinned
  // against file 1's.
  EXPECT_EQ(file2[Section::kSystem], CLines{"DHCPclient=Enable"});
  EXPECT_EQ(events, (std::vector<std::string>{"3 2 ", "3 2 auth_type=WPA2-Personal"}));
}

TEST(ReconcileBands, LogsEachLineOfAClearedBandAndNothingForAnEmptyOne) {
  CSectionBuckets file1;
  file1[Section::k24GHzWireless] = {"ssid=a"};
  CSectionBuckets file2 = file1;  // neither file has a 5 GHz line
  CChangeLog log;
  ReconcileBands(0, file1, file2, log);
  EXPECT_TRUE(log.Changes().empty());
  file2[Section::k5GHzWireless] = {"ssid=b", "channel=36"};
  ReconcileBands(0, file1, file2, log);
  ASSERT_EQ(log.Changes().size(), 2u);
  EXPECT_EQ(log.Changes()[1].kind, ChangeKind::kBandCleared);
  EXPECT_EQ(log.Changes()[1].line, "channel=36");
  EXPECT_EQ(log.Changes()[1].file, FileSide::kFile2);
  EXPECT_TRUE(file2[Section::k5GHzWireless].empty());
}

}  // namespace
}  // namespace varnic
