#include "model/huge_slab.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnic {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20U;

// Either side of the size from which a slab lies on huge pages: arrays must not overlap, come
// value-initialised, and a rewound slab must hand out the same room again, initialised afresh.
TEST(CHugeSlab, TakesDisjointZeroedArraysAndRewinds) {
  for (const std::size_t words : {std::size_t{0}, std::size_t{1}, std::size_t{1000},
                                  kHugePage / 8 - 1, kHugePage / 8 + 17, std::size_t{1} << 20U}) {
    SCOPED_TRACE(words);
    const std::size_t bytes =
        2 * CHugeSlab::Room<std::uint32_t>(words) + CHugeSlab::Room<std::string_view>(words);
    CHugeSlab slab(bytes);
    const auto a = slab.Take<std::uint32_t>(words);
    const std::size_t mark = slab.Mark();
    const auto b = slab.Take<std::uint32_t>(words);
    const auto views = slab.Take<std::string_view>(words);
#if defined(__linux__)
    if (bytes >= kHugePage && words > 0) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a.data()) % kHugePage, 0U);
    }
#endif
    for (std::size_t i = 0; i < words; ++i) {
      ASSERT_EQ(a[i], 0U);
      ASSERT_EQ(b[i], 0U);
      ASSERT_TRUE(views[i].empty());
      a[i] = static_cast<std::uint32_t>(i);
      b[i] = ~static_cast<std::uint32_t>(i);
      views[i] = "x";
    }
    for (std::size_t i = 0; i < words; ++i) ASSERT_EQ(a[i], static_cast<std::uint32_t>(i));

    slab.Rewind(mark);
    const auto again = slab.Take<std::uint32_t>(words);
    EXPECT_EQ(again.data(), b.data());
    for (std::size_t i = 0; i < words; ++i) ASSERT_EQ(again[i], 0U);
  }
}

}  // namespace
}  // namespace varnic
