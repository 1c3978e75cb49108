#include "rules/reconcile.h"

#include <gtest/gtest.h>

#include <ostream>

namespace varnic {
namespace {

const CLineList kDhcpRules = {"|DHCPclient=Enable|:|DHCPclient|",
                              "|DHCPclient=Disable|:|DHCPclient|Mask|Gateway|"};

struct SectionCase {
  const char* name;
  CLineList rules;
  CLineList type0;
  CLineList type1;
  CLineList expected;
  friend void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }
};

class ReconcileSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(ReconcileSectionTest, ThinsAndRestores) {
  const SectionCase& c = GetParam();
  CLineList type0 = c.type0;
  ReconcileSection(type0, c.type1, c.rules);
  EXPECT_EQ(type0, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReconcileSectionTest,
    ::testing::Values(
        SectionCase{
            "DhcpWorkedExample",
            kDhcpRules,
            {"DHCPclient=Disable", "Mask=255.255.255.0", "Contact=lab", "Gateway=192.168.0.1",
             "Location=roof"},
            {"Contact=office", "DHCPclient=Enable", "Mask=255.255.0.0"},
            {"DHCPclient=Disable", "Mask=255.255.255.0", "Gateway=192.168.0.1", "Contact=lab"}},
        SectionCase{
            "FilterGapAppendsAtTheEnd",
            BuiltInRuleLists().filter,
            {"filter_mac_acl=Accept", "filter_mac_add2=mac2", "filter_mac_add3=mac3", "other=1"},
            {"filter_mac_acl=Disable", "other=2"},
            {"filter_mac_acl=Accept", "other=1", "filter_mac_add2=mac2", "filter_mac_add3=mac3"}},
        SectionCase{"MissingTypeOneSectionEmptiesTheTypeZeroOne",
                    BuiltInRuleLists().system,
                    {"DHCPclient=Enable", "Username=a"},
                    {},
                    {}},
        SectionCase{"EmptyTypeZeroSectionStaysEmpty", kDhcpRules, {}, {"DHCPclient=Enable"}, {}},
        SectionCase{"LoginKeptOnlyWhenTheTypeOneSectionHasIt",
                    BuiltInRuleLists().system,
                    {"Username=a", "Password=b", "DHCPclient=Enable"},
                    {"Username=x", "DHCPclient=Enable"},
                    {"Username=a", "DHCPclient=Enable"}},
        SectionCase{"NoDhcpInTypeOneDropsDhcpMaskAndGateway",
                    BuiltInRuleLists().system,
                    {"DHCPclient=Disable", "Mask=1", "Gateway=2", "Contact=x"},
                    {"Contact=y"},
                    {"Contact=x"}},
        SectionCase{"BlankLineNeedsAnEmptyKeyItemOnTheOtherSide",
                    {},
                    {"a=1", "", "b=2"},
                    {"a=9", "b=9"},
                    {"a=1", "b=2"}},
        SectionCase{"BlankLineSurvivesAgainstAKeylessLine",
                    {},
                    {"a=1", ""},
                    {"a=9", "comment"},
                    {"a=1", ""}},
        SectionCase{"WirelessKeysFollowTheOtherSideValuesIgnored",
                    {},
                    {"ssid=A", "channel=6", "band_steering=Enable"},
                    {"channel=11", "ssid=B"},
                    {"ssid=A", "channel=6"}},
        SectionCase{
            "CombinedWepModeRestoresEachKeyOnce",
            BuiltInRuleLists().security,
            {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64", "key1=k"},
            {"auth_type=Open System", "wep_status=Disable"},
            {"auth_type=Open System / Shared Key", "wep_status=Enable", "keysize=64", "key1=k"}},
        SectionCase{"DuplicatesGoTogetherAndOnlyTheFirstComesBack",
                    kDhcpRules,
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
  ReconcileBands(c.nType1, file1, file2);
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
  ReconcileSections(2, file1, file2, BuiltInRuleLists());
  EXPECT_TRUE(file1 == untouched);
  EXPECT_EQ(file2[Section::kSystem], CLineList{"DHCPclient=Enable"});
}

TEST(ReconcileSections, MultiSsidSectionsTakeNoPart) {
  CSectionBuckets file1;
  file1[Section::k5GHzMultiSSID] = {"Multi_Status=Enable"};
  CSectionBuckets file2;
  ReconcileSections(0, file1, file2, BuiltInRuleLists());
  EXPECT_EQ(file1[Section::k5GHzMultiSSID], CLineList{"Multi_Status=Enable"});
}

class RecordingObserver : public CCompareObserver {
 public:
  void OnBandCleared(FileSide file, Band band) override {
    events.push_back("cleared " + std::to_string(static_cast<int>(file)) +
                     (band == Band::k5GHz ? " 5" : " 2.4"));
  }
  void OnReconcileRemoved(FileSide file, Section, std::string_view line) override {
    events.push_back("removed " + std::to_string(static_cast<int>(file)) + " " + std::string(line));
  }
  void OnReconcileRestored(FileSide file, Section, std::string_view line) override {
    events.push_back("restored " + std::to_string(static_cast<int>(file)) + " " +
                     std::string(line));
  }
  CLineList events;
};

TEST(Reconcile, ObserverSeesEveryChangeAndResultsDoNotChange) {
  CSectionBuckets file1;
  file1[Section::kSystem] = {"DHCPclient=Disable", "Mask=1", "Contact=x"};
  CSectionBuckets file2 = Bands(true, true);
  CSectionBuckets plain1 = file1;
  CSectionBuckets plain2 = file2;
  RecordingObserver observer;
  ReconcileBands(1, file1, file2, &observer);
  ReconcileSections(1, file1, file2, BuiltInRuleLists(), &observer);
  ReconcileBands(1, plain1, plain2);
  ReconcileSections(1, plain1, plain2, BuiltInRuleLists());
  EXPECT_TRUE(file1 == plain1);
  EXPECT_TRUE(file2 == plain2);
  EXPECT_EQ(observer.events, (CLineList{"removed 2 ", "removed 2 auth_type=WPA2-Personal"}));
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

TEST(ReconcileBands, ClearingAnAlreadyEmptyBandIsNotReported) {
  class CCountingObserver : public CCompareObserver {
   public:
    void OnBandCleared(FileSide, Band) override { ++cleared; }
    int cleared = 0;
  } observer;
  CSectionBuckets file1;
  file1[Section::k24GHzWireless] = {"ssid=a"};
  CSectionBuckets file2 = file1;  // neither file has a 5 GHz line
  ReconcileBands(0, file1, file2, &observer);
  EXPECT_EQ(observer.cleared, 0);
  file2[Section::k5GHzWireless] = {"ssid=b"};
  ReconcileBands(0, file1, file2, &observer);
  EXPECT_EQ(observer.cleared, 1);
  EXPECT_TRUE(file2[Section::k5GHzWireless].empty());
}

}  // namespace
}  // namespace varnic
