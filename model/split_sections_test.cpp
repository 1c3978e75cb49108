#include "model/split_sections.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>

namespace varnic {
namespace {

using Expected = std::map<Section, CLineList>;

struct SplitCase {
  const char* name;
  CLineList raw;
  Expected buckets;  // every bucket not named must be empty
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class SplitIntoSectionsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitIntoSectionsTest, FilesLinesIntoBuckets) {
  const SplitCase& c = GetParam();
  CSectionBuckets buckets;
  SplitIntoSections(c.raw, buckets);
  for (std::size_t i = 0; i < kSectionCount; ++i) {
    const auto section = static_cast<Section>(i);
    const auto it = c.buckets.find(section);
    EXPECT_EQ(buckets[section], it == c.buckets.end() ? CLineList{} : it->second)
        << SectionHeader(section);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitIntoSectionsTest,
    ::testing::Values(
        SplitCase{"LinesBeforeFirstHeaderGoToFiveGhzWireless",
                  {"a=1", "[System]", "b=2"},
                  {{Section::k5GHzWireless, {"a=1"}}, {Section::kSystem, {"b=2"}}}},
        SplitCase{"LaterFiveGhzWirelessHeaderDiscardsEarlyLines",
                  {"a=1", "[5GHz_WirelessSettings]", "ch=36"},
                  {{Section::k5GHzWireless, {"ch=36"}}}},
        SplitCase{"NoHeaderAtAll", {"a=1", "", "b"}, {{Section::k5GHzWireless, {"a=1", "", "b"}}}},
        SplitCase{"HeaderTwiceKeepsOnlyLastOccurrence",
                  {"[System]", "a=1", "[2.4GHz_Filter]", "f=1", "[System]", "b=2"},
                  {{Section::kSystem, {"b=2"}}, {Section::k24GHzFilter, {"f=1"}}}},
        SplitCase{"BlanksBeforeBracketMakeABodyLine",
                  {"[System]", " [2.4GHz_Filter]", "a=1"},
                  {{Section::kSystem, {" [2.4GHz_Filter]", "a=1"}}}},
        SplitCase{"HeadersAreCaseSensitive",
                  {"[System]", "[5GHz_filter]", "f=1", "[System] ", "g=1"},
                  {}},
        SplitCase{"UnknownSectionLinesGoNowhereAndPreviousBucketKeepsItsLines",
                  {"[System]", "a=1", "[Vendor]", "v=1", "[2.4GHz_Filter]", "f=1"},
                  {{Section::kSystem, {"a=1"}}, {Section::k24GHzFilter, {"f=1"}}}},
        SplitCase{"SystemHeaderInsideAnotherSectionStartsIt",
                  {"[5GHz_Filter]", "f=1", "[System]", "a=1"},
                  {{Section::k5GHzFilter, {"f=1"}}, {Section::kSystem, {"a=1"}}}},
        SplitCase{"BlankLinesAreBodyLines",
                  {"[System]", "", "a=1", ""},
                  {{Section::kSystem, {"", "a=1", ""}}}}),
    [](const auto& info) { return info.param.name; });

TEST(SplitIntoSections, EmptyFileLeavesBucketsAsTheyWere) {
  CSectionBuckets buckets;
  buckets[Section::kSystem] = {"kept=1"};
  SplitIntoSections({}, buckets);
  EXPECT_EQ(buckets[Section::kSystem], CLineList{"kept=1"});
}

TEST(SplitIntoSections, OnlyBucketsWhoseHeaderOccursAreEmptied) {
  CSectionBuckets buckets;
  buckets[Section::kSystem] = {"old=1"};
  buckets[Section::k5GHzFilter] = {"old=2"};
  SplitIntoSections({"[System]", "new=1"}, buckets);
  EXPECT_EQ(buckets[Section::kSystem], CLineList{"new=1"});
  EXPECT_EQ(buckets[Section::k5GHzFilter], CLineList{"old=2"});
}

}  // namespace
}  // namespace varnic
