#include "engine/align.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "model/split_sections.h"
#include "varnic/marked.h"

namespace varnic {
namespace {

using CLineList = std::vector<std::string>;

struct Marked {
  CLineList result1;
  CLineList result2;
  std::vector<std::string> changes;  // kind, file and line of each change
};

// Aligns two normalized files given line by line, and marks the rows as the results show them.
Marked AlignAndMark(const CLineList& normalized1, const CLineList& normalized2) {
  std::string text1;
  std::string text2;
  for (const std::string& line : normalized1) text1 += line + "\n";
  for (const std::string& line : normalized2) text2 += line + "\n";
  CChangeLog log;
  const CSectionBuckets file1 = SplitIntoSections(text1, FileSide::kFile1, log).buckets;
  const CSectionBuckets file2 = SplitIntoSections(text2, FileSide::kFile2, log).buckets;
  Marked marked;
  for (const CSectionRows& rows : AlignSections(file1, file2, log)) {
    marked.result1.emplace_back(SectionHeader(rows.section()));
    marked.result2.emplace_back(SectionHeader(rows.section()));
    for (const CRow row : rows) {
      marked.result1.push_back(std::string(row.left ? MarkOf(row.kind) : "") +
                               std::string(MarkedBody(row, FileSide::kFile1)));
      marked.result2.push_back(std::string(row.right ? MarkOf(row.kind) : "") +
                               std::string(MarkedBody(row, FileSide::kFile2)));
    }
  }
  for (const CChange& change : log.Changes()) {
    marked.changes.push_back(std::to_string(static_cast<int>(change.kind)) + " " +
                             std::to_string(static_cast<int>(change.file)) + " " +
                             std::string(change.line));
  }
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

TEST(AlignSections, MultiStatusFirstThenSsidRunsAndOthersAreLoggedAsLeftOut) {
  const Marked m = AlignAndMark(
      {"[2.4GHz_MultiSSIDSettings]", "SSID2_Status=E", "Multi_Status=E", "SSID1_Status=E",
       "SSID1_Ssid=A", "SSID2_Ssid=B", "Extra_Key=x", "SSID8_Status=E", "SSID12_Wmm=1"},
      {"[2.4GHz_MultiSSIDSettings]", "SSID7_Key=k"});
  EXPECT_EQ(m.result1, (CLineList{"[2.4GHz_MultiSSIDSettings]", "o_Multi_Status=E",
                                  "o_SSID1_Status=E", "o_SSID1_Ssid=A", "o_SSID12_Wmm=1",
                                  "o_SSID2_Status=E", "o_SSID2_Ssid=B", ""}));
  const std::string unordered = std::to_string(static_cast<int>(ChangeKind::kUnordered));
  EXPECT_EQ(m.changes, (std::vector<std::string>{unordered + " 1 Extra_Key=x",
                                                 unordered + " 1 SSID8_Status=E"}));
}

TEST(AlignSections, LaterLinesOfAKeyAreLoggedAsDuplicates) {
  const Marked m =
      AlignAndMark({"[System]", "a=1", "a=2", "note", "other"}, {"[System]", "b=1", "a=3", "b=2"});
  EXPECT_EQ(m.result1, (CLineList{"[System]", "d_a=1", "o_=", ""}));
  const std::string duplicate = std::to_string(static_cast<int>(ChangeKind::kDuplicate));
  EXPECT_EQ(m.changes, (std::vector<std::string>{duplicate + " 1 a=2", duplicate + " 1 other",
                                                 duplicate + " 2 b=2"}));
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
                 {"[System]", "d_=x"}},
        // Lines without "=" are compared as "=", whatever their text.
        MarkCase{"KeylessLinesAreTheSameWhateverTheirText",
                 {"[System]", "note", "a=1"},
                 {"[System]", "other  ", "a=1"},
                 {"[System]", "s_=", "s_a=1"},
                 {"[System]", "s_=", "s_a=1"}},
        // A key that begins another is still a key of its own.
        MarkCase{"KeyThatBeginsAnotherPairsOnlyWithItself",
                 {"[System]", "ab=1", "a=2"},
                 {"[System]", "a=2x", "ab=1", "abc=3"},
                 {"[System]", "s_ab=1", "d_a=2", ""},
                 {"[System]", "s_ab=1", "d_a=2x", "o_abc=3"}},
        MarkCase{"EmptyKeyWithAValueAgainstAnEmptyOne",
                 {"[System]", "=  ", "=v"},
                 {"[System]", "=", "k=v"},
                 {"[System]", "s_=", ""},
                 {"[System]", "s_=", "o_k=v"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace varnic
