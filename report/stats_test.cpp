#include "report/stats.h"

#include <gtest/gtest.h>

#include "report/report_model.h"
#include "varnic/compare.h"

namespace varnic::cli {
namespace {

// The 2.4 GHz security section of file 2 loses its stale WEP key to the rules; the wireless
// section, which no rule governs, is compared as it stands.
const CComparison& Example() {
  static const CComparison comparison =
      Compare({"[5GHz_WirelessSettings]\na=1\nb=1\nc=1\n[2.4GHz_SecuritySettings]\n"
               "auth_type=WPA2-Personal\n",
               0},
              {"[5GHz_WirelessSettings]\na=1\nb=2  \nd=1\n[2.4GHz_SecuritySettings]\n"
               "auth_type=WPA2-Personal\nkey1=stale\n",
               0});
  return comparison;
}

TEST(ComputeStats, CountsPairsPerSectionAndDroppedLines) {
  const auto stats = ComputeStats(Example());
  ASSERT_EQ(stats.size(), 3u);
  EXPECT_EQ(stats[0], (CSectionStats{"[5GHz_WirelessSettings]", 1, 1, 1, 1, 0}));
  EXPECT_EQ(stats[1], (CSectionStats{"[2.4GHz_SecuritySettings]", 1, 0, 0, 0, 1}));
  EXPECT_EQ(stats[2], (CSectionStats{"total", 2, 1, 1, 1, 1}));
}

TEST(EntriesOf, OneEntryPerSettingWithValuesAsTheResultsShowThem) {
  const auto entries = EntriesOf(Example());
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1].key, "b");
  EXPECT_EQ(entries[1].left, "1");
  EXPECT_EQ(entries[1].right, "2");  // trailing spaces take no part where both have the key
  EXPECT_EQ(entries[1].status, CEntry::Status::kDifferent);
  EXPECT_EQ(entries[2].right, std::nullopt);
  EXPECT_EQ(entries[2].status, CEntry::Status::kOnlyLeft);
  EXPECT_EQ(entries[3].left, std::nullopt);
  EXPECT_EQ(entries[3].status, CEntry::Status::kOnlyRight);
  EXPECT_EQ(entries[4].section, "[2.4GHz_SecuritySettings]");
}

}  // namespace
}  // namespace varnic::cli
