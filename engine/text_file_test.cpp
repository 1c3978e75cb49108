#include "engine/text_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;

TEST(ReadFileBytes, ReadsEveryByteAndReportsTheSystemReason) {
  CTempDir dir;
  const std::string bytes = "[System]\r\n" + std::string(1 << 20, 'x') + "\0\xff\r\n";
  std::string read;
  std::error_code error;
  ASSERT_TRUE(ReadFileBytes(dir.Write("long.cfg", bytes), read, error));
  EXPECT_EQ(read, bytes);

  EXPECT_FALSE(ReadFileBytes(dir.File("missing.cfg"), read, error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  // A directory opens but cannot be read: that is an error, not an empty file.
  EXPECT_FALSE(ReadFileBytes(dir.File(""), read, error));
  EXPECT_EQ(error, std::errc::is_a_directory);
  EXPECT_TRUE(read.empty());
}

TEST(MapFileBytes, GivesTheBytesOfLargeAndSmallFilesAndKeepsThemAlive) {
  CTempDir dir;
  const std::string nulAndHigh("\0\xff\r\n", 4);
  // A large file is mapped, a small one read: both must give every byte, NUL and high bytes
  // included, and no byte past the end.
  const std::string large =
      "[System]\r\n" + std::string((std::size_t{1} << 20U) + 5, 'x') + nulAndHigh;
  for (const std::string& bytes : {large, "[System]\r\nkey=1" + nulAndHigh, std::string()}) {
    const std::string path = dir.Write("input.cfg", bytes);
    CFileBytes file;
    std::error_code error;
    ASSERT_TRUE(MapFileBytes(path, file, error)) << bytes.size();
    ASSERT_TRUE(file.owner);
    // The bytes outlive the name: a comparison keeps them after the file is removed.
    ASSERT_EQ(std::remove(path.c_str()), 0);
    const CFileBytes kept = file;
    file = {};
    EXPECT_EQ(kept.bytes, bytes) << bytes.size();
  }
  CFileBytes file;
  std::error_code error;
  EXPECT_FALSE(MapFileBytes(dir.File("missing.cfg"), file, error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_FALSE(MapFileBytes(dir.File(""), file, error));
  EXPECT_EQ(error, std::errc::is_a_directory);
  EXPECT_TRUE(file.bytes.empty());
}

TEST(WriteFileBytes, WritesExactlyAndReportsErrors) {
  CTempDir dir;
  std::error_code error;
  const std::string path = dir.Write("out.txt", "old content that is longer");
  ASSERT_TRUE(WriteFileBytes(path, "a\r\n\r\nb\r\n", error));
  EXPECT_EQ(testing::ReadAll(path), "a\r\n\r\nb\r\n");

  EXPECT_FALSE(WriteFileBytes(dir.File("no/such/dir.txt"), "x", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);

  // A full device shows only once the bytes are pushed out, not at open.
  EXPECT_FALSE(WriteFileBytes("/dev/full", "x\r\n", error));
  EXPECT_EQ(error, std::errc::no_space_on_device);
}

TEST(WriteFileWith, SmallAndLargeWritesLandInOrder) {
  CTempDir dir;
  const std::string path = dir.File("out.txt");
  const std::string large((std::size_t{64} << 10U) + 3, 'L');
  std::string expected;
  std::error_code error;
  ASSERT_TRUE(WriteFileWith(
      path,
      [&](CBufferedWriter& out) {
        for (int i = 0; i < 5000; ++i) {
          const std::string part = i % 1000 == 999 ? large : std::to_string(i) + "\r\n";
          if (i % 500 == 0) {
            // The empty line opposite a key the file lacks: no mark, and a body of no bytes.
            out.AppendLine({}, {});
            expected += "\r\n";
          }
          if (i % 3 == 0) {
            // A marked line, with a mark or without, whole or across the buffer's end.
            const std::string mark = i % 2 == 0 ? "s_" : "";
            out.AppendLine(mark, part);
            expected += mark + part + "\r\n";
          } else {
            out.Append(part);
            expected += part;
          }
        }
      },
      error));
  EXPECT_EQ(testing::ReadAll(path), expected);
  EXPECT_FALSE(WriteFileWith(
      "/dev/full", [&](CBufferedWriter& out) { out.Append(large); }, error));
  EXPECT_EQ(error, std::errc::no_space_on_device);
}

}  // namespace
}  // namespace varnic
