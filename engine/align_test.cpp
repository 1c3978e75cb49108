#include "engine/align.h"

#include <gtest/gtest.h>

#include <ostream>

#include "engine/text_compare.h"

namespace varnic {
namespace {

struct Marked {
  CLineList result1;
  CLineList result2;
};

Marked AlignAndMark(const CLineList& normalized1, const CLineList& normalized2) {
  auto groups = BuildKeyGroups(normalized1, normalized2);
  OrderMultiSSIDGroups(groups);
  CLineList aligned1;
  CLineList aligned2;
  BuildAlignedList(normalized1, groups, aligned1);
  BuildAlignedList(normalized2, groups, aligned2);
  Marked marked;
  MarkAlignedLists(aligned1, aligned2, marked.result1, marked.result2);
  return marked;
}

TEST(AlignAndMark, TenLineWorkedExample) {
  const CLineList file1 = {"[System]",
                           "DHCPclient=Disable",
                           "Mask=255.255.255.0",
                           "Telnet_option=Enable",
                           "[5GHz_SecuritySettings]",
                           "auth_type=WPA2-Personal",
                           "cipher_type=AES"};
  const CLineList file2 = {"[System]",
                           "DHCPclient=Disable",
                           "Telnet_timeout=300",
                           "Mask=255.255.0.0",
                           "Telnet_option=Enable  ",
                           "[2.4GHz_SecuritySettings]",
                           "auth_type=Open System"};
  const Marked m = AlignAndMark(file1, file2);
  EXPECT_EQ(m.result1, (CLineList{"[System]", "s_DHCPclient=Disable", "d_Mask=255.255.255.0",
                                  "s_Telnet_option=Enable", "", "[5GHz_SecuritySettings]",
                                  "o_auth_type=WPA2-Personal", "o_cipher_type=AES",
                                  "[2.4GHz_SecuritySettings]", ""}));
  EXPECT_EQ(m.result2,
            (CLineList{"[System]", "s_DHCPclient=Disable", "d_Mask=255.255.0.0",
                       "s_Telnet_option=Enable", "o_Telnet_timeout=300", "[5GHz_SecuritySettings]",
                       "", "", "[2.4GHz_SecuritySettings]", "o_auth_type=Open System"}));
}

TEST(OrderMultiSSIDGroups, MultiStatusFirstThenSsidRunsAndOthersDrop) {
  std::vector<CLineList> groups = {
      {"System", "b", "a"},
      {"2.4GHz_MultiSSIDSettings", "SSID2_Status", "Multi_Status", "SSID1_Status", "SSID1_Ssid",
       "SSID2_Ssid", "Extra_Key", "SSID8_Status", "SSID12_Wmm"}};
  OrderMultiSSIDGroups(groups);
  EXPECT_EQ(groups[0], (CLineList{"System", "b", "a"}));
  EXPECT_EQ(groups[1], (CLineList{"2.4GHz_MultiSSIDSettings", "Multi_Status", "SSID1_Status",
                                  "SSID1_Ssid", "SSID12_Wmm", "SSID2_Status", "SSID2_Ssid"}));
}

struct MarkCase {
  const char* name;
  CLineList file1;
  CLineList file2;
  CLineList result1;
  CLineList result2;
  friend void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }
};

class MarkTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(MarkTest, Marks) {
  const MarkCase& c = GetParam();
  const Marked m = AlignAndMark(c.file1, c.file2);
  EXPECT_EQ(m.result1, c.result1);
  EXPECT_EQ(m.result2, c.result2);
  EXPECT_EQ(m.result1.size(), m.result2.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkTest,
    ::testing::Values(
        MarkCase{"OneSideEmptyGivesNothing", {"[System]", "a=1"}, {}, {}, {}},
        MarkCase{"SectionOnlyInFileTwoComesLast",
                 {"[System]", "a=1"},
                 {"[5GHz_Filter]", "f=1", "[System]", "a=1"},
                 {"[System]", "s_a=1", "[5GHz_Filter]", ""},
                 {"[System]", "s_a=1", "[5GHz_Filter]", "o_f=1"}},
        MarkCase{"DuplicateKeyOnlyFirstTakesPart",
                 {"[System]", "a=1", "a=2"},
                 {"[System]", "a=1"},
                 {"[System]", "s_a=1"},
                 {"[System]", "s_a=1"}},
        MarkCase{"KeyOrderDoesNotMatter",
                 {"[System]", "a=1", "b=2"},
                 {"[System]", "c=3", "b=2", "a=1"},
                 {"[System]", "s_a=1", "s_b=2", ""},
                 {"[System]", "s_a=1", "s_b=2", "o_c=3"}},
        MarkCase{"CaseDiffersIsDifferent",
                 {"[System]", "a=On"},
                 {"[System]", "a=on"},
                 {"[System]", "d_a=On"},
                 {"[System]", "d_a=on"}},
        MarkCase{"OnlyTrailingSpacesStripAndOnlyWhenBothPresent",
                 {"[System]", "a=1 ", "b=2\t", "c=3  "},
                 {"[System]", "a=1", "b=2"},
                 {"[System]", "s_a=1", "d_b=2\t", "o_c=3  "},
                 {"[System]", "s_a=1", "d_b=2", ""}},
        MarkCase{
            "MultiStatusFirstAndSsid3AfterSsid2",
            {"[5GHz_MultiSSIDSettings]", "SSID3_Wmm=1", "SSID1_Ssid=A", "Multi_Status=E"},
            {"[5GHz_MultiSSIDSettings]", "SSID2_Ssid=B", "Multi_Status=E"},
            {"[5GHz_MultiSSIDSettings]", "s_Multi_Status=E", "o_SSID1_Ssid=A", "", "o_SSID3_Wmm=1"},
            {"[5GHz_MultiSSIDSettings]", "s_Multi_Status=E", "", "o_SSID2_Ssid=B", ""}},
        MarkCase{"FirstEqualsSignSplits",
                 {"[System]", "a=b=c"},
                 {"[System]", "a=b=d"},
                 {"[System]", "d_a=b=c"},
                 {"[System]", "d_a=b=d"}},
        MarkCase{"EmptyKeyResolvesToFirstKeylessLineOfTheSection",
                 {"[System]", "note", "=x"},
                 {"[System]", "=x"},
                 {"[System]", "d_="},
                 {"[System]", "d_=x"}}),
    [](const auto& info) { return info.param.name; });

TEST(FindKeyValue, StopsAtTheNextHeaderAndNeedsTheExactHeader) {
  const CLineList lines = {"[System]", "a=1", "[5GHz_Filter]", "b=2", "a=3"};
  std::string value = "untouched";
  EXPECT_FALSE(FindKeyValue(lines, "b", "[System]", value));
  EXPECT_EQ(value, "untouched");
  EXPECT_TRUE(FindKeyValue(lines, "a", "[5GHz_Filter]", value));
  EXPECT_EQ(value, "3");
  EXPECT_FALSE(FindKeyValue(lines, "a", "[system]", value));
}

TEST(CTextCompare, KeyGroupsStayUntilTheNextPass) {
  CTextCompare engine;
  engine.ReadTexts("[System]\na=1\n", "[System]\nb=1\n");
  engine.AlignAndMark();
  ASSERT_EQ(engine.KeyGroups().size(), 1u);
  EXPECT_EQ(engine.KeyGroups()[0], (CLineList{"System", "a", "b"}));
  EXPECT_EQ(engine.Result1(), (CLineList{"[System]", "o_a=1", ""}));
}

}  // namespace
}  // namespace varnic
