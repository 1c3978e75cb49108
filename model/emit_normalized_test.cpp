#include "model/emit_normalized.h"

#include <gtest/gtest.h>

namespace varnic {
namespace {

TEST(NormalizedText, SystemComesFirstAndEmptyBucketsEmitNothing) {
  CSectionBuckets buckets;
  buckets[Section::k24GHzFilter] = {"filter_mac_acl=Disable"};
  buckets[Section::kSystem] = {"a=1", "b=2"};
  buckets[Section::k5GHzWireless] = {"early=1"};
  buckets[Section::k5GHzMultiSSID] = {"", ""};  // blank lines still get their header
  EXPECT_EQ(NormalizedText(buckets),
            "[System]\na=1\nb=2\n[5GHz_WirelessSettings]\nearly=1\n[2.4GHz_Filter]\n"
            "filter_mac_acl=Disable\n[5GHz_MultiSSIDSettings]\n\n\n");
  EXPECT_FALSE(HasNoLines(buckets));
  EXPECT_TRUE(HasNoLines(CSectionBuckets{}));
  EXPECT_EQ(NormalizedText(CSectionBuckets{}), "");
}

TEST(NormalizedText, EveryHeaderInFixedOrder) {
  CSectionBuckets buckets;
  for (std::size_t i = 0; i < kSectionCount; ++i) buckets[static_cast<Section>(i)] = {"k=v"};
  EXPECT_EQ(
      NormalizedText(buckets),
      "[System]\nk=v\n[5GHz_WirelessSettings]\nk=v\n[2.4GHz_WirelessSettings]\nk=v\n"
      "[5GHz_SecuritySettings]\nk=v\n[2.4GHz_SecuritySettings]\nk=v\n[5GHz_Filter]\nk=v\n"
      "[2.4GHz_Filter]\nk=v\n[5GHz_MultiSSIDSettings]\nk=v\n[2.4GHz_MultiSSIDSettings]\nk=v\n");
}

}  // namespace
}  // namespace varnic
