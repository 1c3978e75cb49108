#include "engine/align.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <random>
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

bool operator==(const Marked& a, const Marked& b) {
  return a.result1 == b.result1 && a.result2 == b.result2 && a.changes == b.changes;
}

// Aligns two normalized files given line by line, and marks the rows as the results show them;
// with `passes`, file 1's half of each section is made beforehand, as a fleet's baseline's is.
Marked AlignAndMarkWith(const CLineList& normalized1, const CLineList& normalized2, bool passes) {
  std::string text1;
  std::string text2;
  for (const std::string& line : normalized1) text1 += line + "\n";
  for (const std::string& line : normalized2) text2 += line + "\n";
  CChangeLog log;
  const CSectionBuckets file1 = SplitIntoSections(text1, FileSide::kFile1, log).buckets;
  const CSectionBuckets file2 = SplitIntoSections(text2, FileSide::kFile2, log).buckets;
  const CLeftPasses made = LeftPassesOf(file1);
  Marked marked;
  for (const CSectionRows& rows : AlignSections(file1, file2, log, passes ? &made : nullptr)) {
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

// Every case of this file aligns alike whether file 1's half was made beforehand or not.
Marked AlignAndMark(const CLineList& normalized1, const CLineList& normalized2) {
  Marked marked = AlignAndMarkWith(normalized1, normalized2, false);
  EXPECT_TRUE(marked == AlignAndMarkWith(normalized1, normalized2, true));
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

// Aligning by key written plainly: a row for each key in the order keys first come (file 1's,
// then file 2's new ones) with each file's first line of it; later lines are logged, file 1's
// first. Lines of one section, every line with a key.
Marked Plainly(const CLineList& file1, const CLineList& file2) {
  struct CRow {
    const std::string* left = nullptr;
    const std::string* right = nullptr;
  };
  std::vector<CRow> rows;
  std::map<std::string, std::size_t> rowOf;
  Marked m;
  const std::string duplicate = std::to_string(static_cast<int>(ChangeKind::kDuplicate));
  for (const int side : {1, 2}) {
    const CLineList& file = side == 1 ? file1 : file2;
    for (std::size_t i = 1; i < file.size(); ++i) {
      const auto [at, added] = rowOf.try_emplace(file[i].substr(0, file[i].find('=')), rows.size());
      if (added) rows.emplace_back();
      const std::string*& line = side == 1 ? rows[at->second].left : rows[at->second].right;
      if (line != nullptr) {
        m.changes.push_back(duplicate + " " + std::to_string(side) + " " + file[i]);
      } else {
        line = &file[i];
      }
    }
  }
  m.result1 = {file1.front()};
  m.result2 = {file1.front()};
  for (const CRow& row : rows) {
    const std::string mark = row.left == nullptr || row.right == nullptr ? "o_"
                             : *row.left == *row.right                   ? "s_"
                                                                         : "d_";
    m.result1.push_back(row.left != nullptr ? mark + *row.left : "");
    m.result2.push_back(row.right != nullptr ? mark + *row.right : "");
  }
  return m;
}

// File 2's lines are matched to the pairs in file 1's order without a look-up while the order
// holds: whatever the order, the rows must be those of matching every line by key.
TEST(AlignSections, FileTwoInAnyOrderPairsAsIfEveryLineWereLookedUp) {
  enum class Order { kSame, kEdited, kRunMovedFar, kReversed, kShuffled };
  for (const Order order :
       {Order::kSame, Order::kEdited, Order::kRunMovedFar, Order::kReversed, Order::kShuffled}) {
    for (const unsigned seed : {1U, 2U, 3U}) {
      std::mt19937 random(seed);
      const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
      CLineList file1 = {"[5GHz_WirelessSettings]"};
      for (int i = 0; i < 1200; ++i) {
        // Keys that begin others (k1, k12), and a few held twice.
        const int key = chance(2) && i > 0 ? static_cast<int>(random() % i) : i;
        file1.push_back("k" + std::to_string(key) + "=v" + std::to_string(random() % 4));
      }
      CLineList file2 = {file1.front()};
      for (std::size_t i = 1; i < file1.size(); ++i) {
        if (order == Order::kEdited && chance(3)) continue;
        if (order == Order::kEdited && chance(3)) file2.push_back("new" + std::to_string(i) + "=x");
        if (order == Order::kEdited && chance(2)) file2.push_back(file1[i] + "x");
        file2.push_back(chance(10) ? file1[i] + "y" : file1[i]);
      }
      if (order == Order::kRunMovedFar)
        std::rotate(file2.begin() + 1, file2.begin() + 301, file2.end());
      if (order == Order::kReversed) std::reverse(file2.begin() + 1, file2.end());
      if (order == Order::kShuffled) std::shuffle(file2.begin() + 1, file2.end(), random);
      const Marked aligned = AlignAndMark(file1, file2);
      const Marked plainly = Plainly(file1, file2);
      EXPECT_EQ(aligned.result1, plainly.result1) << static_cast<int>(order) << " " << seed;
      EXPECT_EQ(aligned.result2, plainly.result2) << static_cast<int>(order) << " " << seed;
      EXPECT_EQ(aligned.changes, plainly.changes) << static_cast<int>(order) << " " << seed;
    }
  }
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
        MarkCase{"TheSameLineWithoutEqualsIsStillShownAsEquals",
                 {"[System]", "note", "a=1"},
                 {"[System]", "note", "a=1"},
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
