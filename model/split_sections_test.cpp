#include "model/split_sections.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string_view>
#include <vector>

#include "varnic/lines.h"

namespace varnic {
namespace {

using Expected = std::map<Section, CLines>;

struct SplitCase {
  const char* name;
  std::string_view text;
  Expected buckets;  // every bucket not named must be empty
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class SplitIntoSectionsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitIntoSectionsTest, FilesLinesIntoBuckets) {
  const SplitCase& c = GetParam();
  CChangeLog log;
  const CSplitFile split = SplitIntoSections(c.text, FileSide::kFile1, log);
  EXPECT_EQ(split.lines, CountLines(c.text));
  const CSectionBuckets& buckets = split.buckets;
  for (std::size_t i = 0; i < kSectionCount; ++i) {
    const auto section = static_cast<Section>(i);
    const auto it = c.buckets.find(section);
    EXPECT_EQ(buckets[section], it == c.buckets.end() ? CLines{} : it->second)
        << SectionHeader(section);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitIntoSectionsTest,
    ::testing::Values(
        SplitCase{"LinesBeforeFirstHeaderGoToFiveGhzWireless",
                  "a=1\n[System]\nb=2\n",
                  {{Section::k5GHzWireless, {"a=1"}}, {Section::kSystem, {"b=2"}}}},
        SplitCase{"LaterFiveGhzWirelessHeaderDiscardsEarlyLines",
                  "a=1\n[5GHz_WirelessSettings]\nch=36\n",
                  {{Section::k5GHzWireless, {"ch=36"}}}},
        SplitCase{"NoHeaderAtAll", "a=1\n\nb\n", {{Section::k5GHzWireless, {"a=1", "", "b"}}}},
        SplitCase{"HeaderTwiceKeepsOnlyLastOccurrence",
                  "[System]\na=1\n[2.4GHz_Filter]\nf=1\n[System]\nb=2\n",
                  {{Section::kSystem, {"b=2"}}, {Section::k24GHzFilter, {"f=1"}}}},
        SplitCase{"BlanksBeforeBracketMakeABodyLine",
                  "[System]\n [2.4GHz_Filter]\na=1\n",
                  {{Section::kSystem, {" [2.4GHz_Filter]", "a=1"}}}},
        SplitCase{"HeadersAreCaseSensitive", "[System]\n[5GHz_filter]\nf=1\n[System] \ng=1\n", {}},
        SplitCase{"UnknownSectionLinesGoNowhereAndPreviousBucketKeepsItsLines",
                  "[System]\na=1\n[Vendor]\nv=1\n[2.4GHz_Filter]\nf=1\n",
                  {{Section::kSystem, {"a=1"}}, {Section::k24GHzFilter, {"f=1"}}}},
        SplitCase{"SystemHeaderInsideAnotherSectionStartsIt",
                  "[5GHz_Filter]\nf=1\n[System]\na=1\n",
                  {{Section::k5GHzFilter, {"f=1"}}, {Section::kSystem, {"a=1"}}}},
        SplitCase{"CrLfHeadersBracketsInValuesAndNoFinalBreak",
                  "[System]\r\na=[x]\r\n[System]\r\nb=[2]\r\n[y\r\nc=3",
                  {{Section::kSystem, {"b=[2]"}}}},
        SplitCase{"LastHeaderWithoutBreakKeepsItsCarriageReturn",
                  "[System]\nb=2\n[System]\r",
                  {{Section::kSystem, {"b=2"}}}},
        SplitCase{"LastLineWithoutBreakKeepsItsCarriageReturn",
                  "[System]\na=1\r\nb=2\r",
                  {{Section::kSystem, {"a=1", "b=2\r"}}}},
        SplitCase{"HeaderAsLastLineStartsAnEmptyBucket",
                  "[System]\nb=2\n[2.4GHz_Filter]",
                  {{Section::kSystem, {"b=2"}}}},
        SplitCase{"BlankLinesAreBodyLines",
                  "[System]\n\na=1\n\n",
                  {{Section::kSystem, {"", "a=1", ""}}}}),
    [](const auto& info) { return info.param.name; });

TEST(SplitIntoSections, LogsWhatTakesNoPartAndCountsEveryLine) {
  CChangeLog log;
  const CSplitFile split = SplitIntoSections(
      "early=1\n[System]\nold=1\n[Vendor]\nv=1\n[System]\nnew=1\n[5GHz_WirelessSettings]\n",
      FileSide::kFile2, log);
  EXPECT_EQ(split.lines, 8u);
  EXPECT_EQ(split.buckets[Section::kSystem], CLines{"new=1"});
  struct Logged {
    ChangeKind kind;
    std::string_view line;
  };
  const std::vector<Logged> expected = {{ChangeKind::kSuperseded, "early=1"},
                                        {ChangeKind::kSuperseded, "old=1"},
                                        {ChangeKind::kUnknownSection, "[Vendor]"},
                                        {ChangeKind::kUnknownSection, "v=1"}};
  ASSERT_EQ(log.Changes().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(log.Changes()[i].kind, expected[i].kind) << i;
    EXPECT_EQ(log.Changes()[i].line, expected[i].line) << i;
    EXPECT_EQ(log.Changes()[i].file, FileSide::kFile2) << i;
  }
}

}  // namespace
}  // namespace varnic
