#include "engine/text_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;

struct SplitCase {
  const char* name;
  std::string bytes;
  CLineList lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, KeepsEveryByteButTheBreak) {
  CLineList lines;
  SplitLines(GetParam().bytes, lines);
  EXPECT_EQ(lines, GetParam().lines);
}

using namespace std::string_literals;

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

TEST(ReadLines, AppendsAndHasNoLineLengthLimit) {
  CTempDir dir;
  const std::string longLine(1 << 20, 'x');
  const std::string path = dir.Write("long.cfg", "[System]\r\n" + longLine + "\r\n");
  CLineList lines = {"before"};
  std::error_code error;
  ASSERT_TRUE(ReadLines(path, lines, error));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "before");
  EXPECT_EQ(lines[2], longLine);
}

TEST(ReadLines, FailuresCarryTheSystemReason) {
  CTempDir dir;
  CLineList lines;
  std::error_code error;
  EXPECT_FALSE(ReadLines(dir.File("missing.cfg"), lines, error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  // A directory opens but cannot be read: that is an error, not an empty file.
  EXPECT_FALSE(ReadLines(dir.File(""), lines, error));
  EXPECT_EQ(error, std::errc::is_a_directory);
  EXPECT_TRUE(lines.empty());
}

TEST(WriteFileBytes, WritesExactlyAndReportsErrors) {
  CTempDir dir;
  std::error_code error;
  const std::string path = dir.Write("out.txt", "old content that is longer");
  ASSERT_TRUE(WriteFileBytes(path, JoinLinesCrLf({"a", "", "b"}), error));
  EXPECT_EQ(testing::ReadAll(path), "a\r\n\r\nb\r\n");

  EXPECT_FALSE(WriteFileBytes(dir.File("no/such/dir.txt"), "x", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);

  // A full device shows only once the bytes are pushed out, not at open.
  EXPECT_FALSE(WriteFileBytes("/dev/full", "x\r\n", error));
  EXPECT_EQ(error, std::errc::no_space_on_device);
}

TEST(JoinLinesCrLf, EmptyListIsEmptyFile) { EXPECT_EQ(JoinLinesCrLf({}), ""); }

}  // namespace
}  // namespace varnic
