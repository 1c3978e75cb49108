#include "cli/suggest.h"

#include <gtest/gtest.h>

#include <array>

namespace varnic::cli {
namespace {

TEST(EditDistance, CountsEditsWithASwapAsOne) {
  struct {
    std::string_view a, b;
    std::size_t distance;
  } const cases[] = {
      {"", "", 0},
      {"", "abc", 3},
      {"abc", "", 3},
      {"audit", "audit", 0},
      {"comapre", "compare", 1},
      {"audti", "audit", 1},
      {"compar", "compare", 1},
      {"ccompare", "compare", 1},
      {"cmopare", "compare", 1},
      {"kitten", "sitting", 3},
      {"ca", "abc", 3},  // optimal alignment: no edit of a swapped pair
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
    EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
  }
}

TEST(NearestWord, SuggestsOnlyWithinAThirdOfTheTypedLength) {
  constexpr std::array<std::string_view, 2> kSubcommands{"compare", "audit"};
  constexpr std::array<std::string_view, 6> kFormats{"side", "changes", "marked",
                                                     "json", "brief",   "github"};
  struct {
    std::string_view typed;
    std::span<const std::string_view> candidates;
    std::optional<std::string> expected;
  } const cases[] = {
      {"comapre", kSubcommands, "compare"},
      {"audti", kSubcommands, "audit"},
      {"compre", kSubcommands, "compare"},
      {"Audit", kSubcommands, "audit"},  // letter case is an edit like any other
      {"xyz", kSubcommands, std::nullopt},
      {"", kSubcommands, std::nullopt},
      {"cmp", kSubcommands, std::nullopt},  // 4 edits from compare, limit 1
      {"jsno", kFormats, "json"},
      {"sid", kFormats, "side"},
      {"yaml", kFormats, std::nullopt},
      {"markd", kFormats, "marked"},
      {"change", kFormats, "changes"},
      {"anything", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NearestWord(c.typed, c.candidates), c.expected) << c.typed;
  }
}

TEST(NearestWord, TiesGoToTheFirstCandidate) {
  constexpr std::array<std::string_view, 3> kWords{"bat", "cat", "hat"};
  EXPECT_EQ(NearestWord("at", kWords), "bat");
  constexpr std::array<std::string_view, 3> kReversed{"hat", "cat", "bat"};
  EXPECT_EQ(NearestWord("at", kReversed), "hat");
  constexpr std::array<std::string_view, 2> kNearerLater{"cart", "cat"};
  EXPECT_EQ(NearestWord("cat", kNearerLater), "cat");
}

}  // namespace
}  // namespace varnic::cli
