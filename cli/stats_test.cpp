#include "cli/stats.h"

#include <gtest/gtest.h>

#include "cli/report_model.h"

namespace varnic::cli {
namespace {

const CLineList kLeft = {"[System]", "s_a=1", "d_b=1", "o_c=1", "", "[5GHz_Filter]", "s_f=1"};
const CLineList kRight = {"[System]", "s_a=1", "d_b=2", "", "o_d=1", "[5GHz_Filter]", "s_f=1"};

TEST(ComputeStats, CountsPairsPerSectionAndDroppedLines) {
  const std::vector<CExplanation> explanations = {
      {CExplanation::Kind::kFiltered, 1, "[System]", "x=1", ""},
      {CExplanation::Kind::kFiltered, 2, "[2.4GHz_Filter]", "y=1", ""},
      {CExplanation::Kind::kRenumbered, 2, "[5GHz_Filter]", "f=1", "f=2"}};
  const auto stats = ComputeStats(kLeft, kRight, explanations);
  ASSERT_EQ(stats.size(), 4u);
  EXPECT_EQ(stats[0], (CSectionStats{"[System]", 1, 1, 1, 1, 1}));
  EXPECT_EQ(stats[1], (CSectionStats{"[5GHz_Filter]", 1, 0, 0, 0, 0}));
  EXPECT_EQ(stats[2], (CSectionStats{"[2.4GHz_Filter]", 0, 0, 0, 0, 1}));
  EXPECT_EQ(stats[3], (CSectionStats{"total", 2, 1, 1, 1, 2}));
}

TEST(EntriesOf, OneEntryPerSettingWithTheMarkTakenOff) {
  const auto entries = EntriesOf(kLeft, kRight);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1].key, "b");
  EXPECT_EQ(entries[1].left, "1");
  EXPECT_EQ(entries[1].right, "2");
  EXPECT_EQ(entries[1].status, CEntry::Status::kDifferent);
  EXPECT_EQ(entries[2].right, std::nullopt);
  EXPECT_EQ(entries[2].status, CEntry::Status::kOnlyLeft);
  EXPECT_EQ(entries[3].left, std::nullopt);
  EXPECT_EQ(entries[3].status, CEntry::Status::kOnlyRight);
  EXPECT_EQ(entries[4].section, "[5GHz_Filter]");
}

}  // namespace
}  // namespace varnic::cli
