#include "report/terminal_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace varnic::report {
namespace {

using namespace std::string_literals;

struct EscapeCase {
  const char* name;
  std::string bytes;
  std::string shown;
  friend void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }
};

class ToSafeCellsTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ToSafeCellsTest, NothingThatActsOnATerminalGetsThrough) {
  const Cells cells = ToSafeCells(GetParam().bytes);
  EXPECT_EQ(Join(cells, 0, cells.size()), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToSafeCellsTest,
    ::testing::Values(
        EscapeCase{"Plain", "ssid=Lobby", "ssid=Lobby"},
        EscapeCase{"Esc", "a\x1b[2Jb", "a\\x1b[2Jb"}, EscapeCase{"Bel", "x\a", "x\\x07"},
        EscapeCase{"OscTitle", "\x1b]0;pwned\x07", "\\x1b]0;pwned\\x07"},
        EscapeCase{"C1Csi",
                   "\xc2\x9b"
                   "31m",
                   "\\xc2\\x9b31m"},
        EscapeCase{"RawCsiByte", "\x9b", "\\x9b"}, EscapeCase{"Nul", "a\0b"s, "a\\x00b"},
        EscapeCase{"DelAndCr", "a\x7f\r", "a\\x7f\\x0d"},
        EscapeCase{"ValidUtf8Stays", "caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
        EscapeCase{"OverlongIsEscaped", "\xc0\xaf", "\\xc0\\xaf"},
        EscapeCase{"SurrogateIsEscaped", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        EscapeCase{"TruncatedSequence", "\xe2\x82", "\\xe2\\x82"},
        EscapeCase{"BackslashIsDoubled", "a\\x1b", "a\\\\x1b"},
        EscapeCase{"RightToLeftOverride",
                   "ab\xe2\x80\xae"
                   "cd",
                   "ab\\xe2\\x80\\xae"
                   "cd"},
        EscapeCase{"Isolate", "\xe2\x81\xa6x", "\\xe2\\x81\\xa6x"},
        EscapeCase{"ArabicLetterMark", "\xd8\x9c", "\\xd8\\x9c"},
        EscapeCase{"OtherPunctuationStays", "\xe2\x80\x94", "\xe2\x80\x94"}),
    [](const auto& info) { return info.param.name; });

TEST(ShortenMiddle, KeepsBothEndsAndNeverSplitsACharacterOrAnEscape) {
  struct Case {
    std::string bytes;
    std::size_t width;
    std::string shown;
  };
  for (const Case& c : std::vector<Case>{
           {"ap-before.cfg", 20, "ap-before.cfg"},
           {"ap-before.cfg", 13, "ap-before.cfg"},
           {"sites/north/ap-before.cfg", 14, "sites/...e.cfg"},  // odd room: the start gets more
           {"sites/north/ap-before.cfg", 13, "sites...e.cfg"},
           {"abcdef", 4, "abcd"},  // no room for a gap between two parts
           {"abcdef", 0, ""},
           {"caf\xc3\xa9-\xe2\x82\xac-end", 9, "caf...end"},
           {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", 7,
            "\xc3\xa9\xc3\xa9...\xc3\xa9\xc3\xa9"},
           {"x\x1by\x1bz", 9, "x...\\x1bz"},  // the escape stays whole, or goes whole
       }) {
    const std::string shown = ShortenMiddle(c.bytes, c.width);
    EXPECT_EQ(shown, c.shown) << c.bytes << " in " << c.width;
    EXPECT_LE(Columns(shown), c.width) << shown;
  }
}

}  // namespace
}  // namespace varnic::report
