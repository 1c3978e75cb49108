#include "cli/env_options.h"

#include <gtest/gtest.h>

#include <array>

#include "cli/compare_command.h"

namespace varnic::cli {
namespace {

using Words = std::vector<std::string>;

TEST(SplitOptions, SplitsAsAPosixShellWithoutExpanding) {
  struct {
    std::string_view text;
    Words words;
  } const cases[] = {
      {"", {}},
      {" \t\n ", {}},
      {"--stat", {"--stat"}},
      {"  --format json\t-W 120\n--stat  ", {"--format", "json", "-W", "120", "--stat"}},
      {"--ignore '[System] IPaddr'", {"--ignore", "[System] IPaddr"}},
      {"--ignore=\"[System] *\"", {"--ignore=[System] *"}},
      {R"('a\b' "c\d")", {R"(a\b)", R"(c\d)"}},  // backslash literal in '' and before d
      {R"("\"\\\$\`")", {R"("\$`)"}},            // the four escapes in ""
      {R"("it's")", {"it's"}},
      {R"('say "hi"')", {R"(say "hi")"}},
      {R"(a\ b c\'d \"e)", {"a b", "c'd", "\"e"}},              // backslash outside quotes
      {"'' \"\" x", {"", "", "x"}},                             // quoted empties are words
      {"ab''cd \"x\"'y'z", {"abcd", "xyz"}},                    // pieces join into one word
      {"$HOME ~ *.cfg `id`", {"$HOME", "~", "*.cfg", "`id`"}},  // no expansion of any kind
      {"a\\\nb", {"ab"}},                                       // line continuation
      {"\"a\\\nb\"", {"ab"}},
      {"trailing\\", {"trailing\\"}},
  };
  for (const auto& c : cases) {
    Words words;
    std::string error;
    EXPECT_TRUE(SplitOptions(c.text, words, error)) << c.text;
    EXPECT_EQ(words, c.words) << c.text;
    EXPECT_EQ(error, "") << c.text;
  }
}

TEST(SplitOptions, RefusesAnUnclosedQuoteAndKeepsTheWords) {
  for (const std::string_view text : {"'", "\"", "--ignore 'a b", "x \"y\\\"", "\"\\\""}) {
    Words words{"kept"};
    std::string error;
    EXPECT_FALSE(SplitOptions(text, words, error)) << text;
    EXPECT_EQ(error, "VARNIC_OPTIONS: unclosed quote") << text;
    EXPECT_EQ(words, Words{"kept"}) << text;
  }
}

TEST(InsertEnvironmentOptions, PutsDefaultsBeforeWhatWasTyped) {
  constexpr std::array<std::string_view, 2> kSubcommands{"compare", "audit"};
  const Words defaults{"--format", "json", "--stat"};
  struct {
    Words args;
    Words defaults;
    Words expected;
  } const cases[] = {
      {{"varnic", "compare", "a", "b"},
       defaults,
       {"varnic", "compare", "--format", "json", "--stat", "a", "b"}},
      {{"varnic", "audit", "base", "dir", "-j", "4"},
       defaults,
       {"varnic", "audit", "--format", "json", "--stat", "base", "dir", "-j", "4"}},
      // Implicit compare: no subcommand word to follow.
      {{"varnic", "a", "b", "--format", "side"},
       defaults,
       {"varnic", "--format", "json", "--stat", "a", "b", "--format", "side"}},
      {{"varnic", "--format", "side", "a", "b"},
       defaults,
       {"varnic", "--format", "json", "--stat", "--format", "side", "a", "b"}},
      {{"varnic", "compar", "a"}, {"-q"}, {"varnic", "-q", "compar", "a"}},
      {{"varnic", "compare"}, {"-q"}, {"varnic", "compare", "-q"}},
      {{"varnic"}, defaults, {"varnic"}},
      {{"varnic", "compare", "a", "b"}, {}, {"varnic", "compare", "a", "b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InsertEnvironmentOptions(c.args, c.defaults, kSubcommands), c.expected)
        << c.args.size() << " arguments, first " << (c.args.size() > 1 ? c.args[1] : "");
  }
}

// COLUMNS is held to the widths -W takes; anything but a plain positive number is not a width.
TEST(ColumnsFrom, HoldsTheVariableToTheWidthRange) {
  struct {
    const char* value;
    std::optional<std::size_t> width;
  } const cases[] = {
      {nullptr, std::nullopt}, {"", std::nullopt},
      {"abc", std::nullopt},   {"80x", std::nullopt},
      {"-80", std::nullopt},   {" 80", std::nullopt},
      {"0", std::nullopt},     {"80", 80},
      {"5", kMinWidth},        {"10000", kMaxWidth},
      {"10000000", kMaxWidth}, {"99999999999999999999999999", kMaxWidth},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColumnsFrom(c.value), c.width) << (c.value != nullptr ? c.value : "(unset)");
  }
}

}  // namespace
}  // namespace varnic::cli
