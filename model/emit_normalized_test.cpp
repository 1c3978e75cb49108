#include "model/emit_normalized.h"

#include <gtest/gtest.h>

namespace varnic {
namespace {

TEST(EmitNormalizedLines, SystemComesFirstAndEmptyBucketsEmitNothing) {
  CSectionBuckets buckets;
  buckets[Section::k24GHzFilter] = {"filter_mac_acl=Disable"};
  buckets[Section::kSystem] = {"a=1", "b=2"};
  buckets[Section::k5GHzWireless] = {"early=1"};
  CLineList out = {"stale"};
  ASSERT_TRUE(EmitNormalizedLines(buckets, out));
  EXPECT_EQ(out, (CLineList{"[System]", "a=1", "b=2", "[5GHz_WirelessSettings]", "early=1",
                            "[2.4GHz_Filter]", "filter_mac_acl=Disable"}));
}

TEST(EmitNormalizedLines, AllEmptyGivesEmptyOutputEvenOverOldContent) {
  CLineList out = {"[System]", "x=1"};
  ASSERT_TRUE(EmitNormalizedLines(CSectionBuckets{}, out));
  EXPECT_TRUE(out.empty());
}

TEST(EmitNormalizedLines, BlankOnlyBucketStillGetsItsHeader) {
  CSectionBuckets buckets;
  buckets[Section::k5GHzMultiSSID] = {"", ""};
  CLineList out;
  ASSERT_TRUE(EmitNormalizedLines(buckets, out));
  EXPECT_EQ(out, (CLineList{"[5GHz_MultiSSIDSettings]", "", ""}));
}

TEST(EmitNormalizedLines, EveryHeaderInFixedOrder) {
  CSectionBuckets buckets;
  for (std::size_t i = 0; i < kSectionCount; ++i) buckets[static_cast<Section>(i)] = {"k=v"};
  CLineList out;
  ASSERT_TRUE(EmitNormalizedLines(buckets, out));
  CLineList headers;
  for (const auto& line : out) {
    if (line != "k=v") headers.push_back(line);
  }
  EXPECT_EQ(headers, (CLineList{"[System]", "[5GHz_WirelessSettings]", "[2.4GHz_WirelessSettings]",
                                "[5GHz_SecuritySettings]", "[2.4GHz_SecuritySettings]",
                                "[5GHz_Filter]", "[2.4GHz_Filter]", "[5GHz_MultiSSIDSettings]",
                                "[2.4GHz_MultiSSIDSettings]"}));
}

}  // namespace
}  // namespace varnic
