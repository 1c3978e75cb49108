#include "varnic/lines.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "model/text_arena.h"

namespace varnic {
namespace {

using namespace std::string_literals;

struct SplitCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, KeepsEveryByteButTheBreak) {
  const CLines lines = SplitLines(GetParam().bytes);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), GetParam().lines);
  EXPECT_EQ(CountLines(GetParam().bytes), GetParam().lines.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitLinesTest,
    ::testing::Values(SplitCase{"Lf", "a=1\nb=2\n", {"a=1", "b=2"}},
                      SplitCase{"CrLf", "a=1\r\nb=2\r\n", {"a=1", "b=2"}},
                      SplitCase{"NoFinalBreak", "a=1\nb=2", {"a=1", "b=2"}},
                      SplitCase{"EmptyLinesStay", "\n\r\nx\n", {"", "", "x"}},
                      SplitCase{"OnlyOneCrBeforeLfDrops", "a\r\r\n", {"a\r"}},
                      SplitCase{"LoneCrIsData", "a\rb\n", {"a\rb"}},
                      SplitCase{"NulAndHighBytesStay", "k=\0\xff\x80\n"s, {"k=\0\xff\x80"s}},
                      SplitCase{"Empty", "", {}}),
    [](const auto& info) { return info.param.name; });

TEST(CTextArena, ViewsStayValidAcrossChunksAndMoves) {
  CTextArena arena;
  std::vector<std::string_view> stored;
  const std::string big(100'000, 'x');  // larger than a chunk
  // Past the first chunks, which grow as the arena does.
  for (int i = 0; i < 300'000; ++i) {
    stored.push_back(arena.Store({"filter_mac_add", std::to_string(i), "=", i == 7 ? big : "M"}));
  }
  const CTextArena moved = std::move(arena);
  EXPECT_EQ(stored[0], "filter_mac_add0=M");
  EXPECT_EQ(stored[7].size(), 17 + big.size() - 1);
  for (std::size_t i = 8; i < stored.size(); ++i) {
    ASSERT_EQ(stored[i], "filter_mac_add" + std::to_string(i) + "=M");
  }
}

}  // namespace
}  // namespace varnic
