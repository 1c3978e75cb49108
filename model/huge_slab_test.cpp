#include "model/huge_slab.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnic {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20U;

struct CMarked {
  std::uint32_t value = 7;  // a member initialiser: what a rewound slab must run again
};

// Either side of the size from which a slab lies on huge pages: arrays must not overlap, values
// with an initialiser come initialised, and a rewound slab hands out the same room again.
TEST(CHugeSlab, TakesDisjointArraysAndRewinds) {
  for (const std::size_t words : {std::size_t{0}, std::size_t{1}, std::size_t{1000},
                                  kHugePage / 8 - 1, kHugePage / 8 + 17, std::size_t{1} << 20U}) {
    SCOPED_TRACE(words);
    const std::size_t bytes = CHugeSlab::Room<std::uint32_t>(words) +
                              CHugeSlab::Room<CMarked>(words) +
                              CHugeSlab::Room<std::string_view>(words);
    CHugeSlab slab(bytes);
    const auto numbers = slab.Take<std::uint32_t>(words);
    const std::size_t mark = slab.Mark();
    const auto marked = slab.Take<CMarked>(words);
    const auto views = slab.Take<std::string_view>(words);
#if defined(__linux__)
    if (bytes >= kHugePage && words > 0) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(numbers.data()) % kHugePage, 0U);
    }
#endif
    for (std::size_t i = 0; i < words; ++i) {
      ASSERT_EQ(marked[i].value, 7U);
      ASSERT_TRUE(views[i].empty());
      numbers[i] = static_cast<std::uint32_t>(i);
      marked[i].value = ~static_cast<std::uint32_t>(i);
      views[i] = "x";
    }
    for (std::size_t i = 0; i < words; ++i) {
      ASSERT_EQ(numbers[i], static_cast<std::uint32_t>(i));
      ASSERT_EQ(marked[i].value, ~static_cast<std::uint32_t>(i));
    }

    slab.Rewind(mark);
    const auto again = slab.Take<CMarked>(words);
    EXPECT_EQ(static_cast<void*>(again.data()), static_cast<void*>(marked.data()));
    for (std::size_t i = 0; i < words; ++i) ASSERT_EQ(again[i].value, 7U);
  }
}

}  // namespace
}  // namespace varnic
