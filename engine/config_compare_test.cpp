#include "engine/config_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::ReadAll;
using CLineList = std::vector<std::string>;

constexpr const char* kFile1 =
    "[System]\r\nDHCPclient=Disable\r\nMask=255.255.255.0\r\nTelnet_option=Enable\r\n"
    "[5GHz_SecuritySettings]\r\nauth_type=WPA2-Personal\r\ncipher_type=AES\r\n";
constexpr const char* kFile2 =
    "[System]\nDHCPclient=Disable\nTelnet_timeout=300\nMask=255.255.0.0\n"
    "Telnet_option=Enable  \n[2.4GHz_SecuritySettings]\nauth_type=Open System";

TEST(CConfigCompare, WorkedExampleSavesTenLinesEach) {
  CTempDir dir;
  CConfigCompare engine;
  ASSERT_TRUE(engine.LoadFiles(dir.Write("1.cfg", kFile1), 4, dir.Write("2.cfg", kFile2), 4));
  engine.CompareFiles();
  int count1 = -1;
  int count2 = -1;
  ASSERT_TRUE(engine.WriteFiles(dir.File("1.out"), count1, dir.File("2.out"), count2));
  EXPECT_EQ(count1, 10);
  EXPECT_EQ(count2, 10);
  EXPECT_EQ(ReadAll(dir.File("1.out")),
            "[System]\r\ns_DHCPclient=Disable\r\nd_Mask=255.255.255.0\r\n"
            "s_Telnet_option=Enable\r\n\r\n[5GHz_SecuritySettings]\r\n"
            "o_auth_type=WPA2-Personal\r\no_cipher_type=AES\r\n[2.4GHz_SecuritySettings]\r\n\r\n");
  EXPECT_EQ(ReadAll(dir.File("2.out")),
            "[System]\r\ns_DHCPclient=Disable\r\nd_Mask=255.255.0.0\r\n"
            "s_Telnet_option=Enable\r\no_Telnet_timeout=300\r\n[5GHz_SecuritySettings]\r\n"
            "\r\n\r\n[2.4GHz_SecuritySettings]\r\no_auth_type=Open System\r\n");
}

TEST(CConfigCompare, LoadFailuresKeepWhatWasRead) {
  CTempDir dir;
  const std::string good = dir.Write("good.cfg", "[System]\na=1\n");
  {
    CConfigCompare engine;
    EXPECT_FALSE(engine.LoadFiles(dir.File("missing.cfg"), 7, good, 8));
    EXPECT_TRUE(engine.Loaded1().empty());
    EXPECT_TRUE(engine.Loaded2().empty());
    EXPECT_EQ(engine.Type1(), 7);  // types are stored before any file is opened
    EXPECT_EQ(engine.Type2(), 8);
  }
  {
    CConfigCompare engine;
    EXPECT_FALSE(engine.LoadFiles(good, 0, dir.File("missing.cfg"), 1));
    EXPECT_EQ(engine.Loaded1(), "[System]\na=1\n");
  }
  {
    CConfigCompare engine;
    EXPECT_FALSE(engine.LoadFiles(good, 0, dir.File(""), 0));
  }
}

// A reused object once reported the union of two comparisons; each load now starts afresh.
TEST(CConfigCompare, EachLoadBeginsANewComparison) {
  CTempDir dir;
  const std::string a = dir.Write("a", "[System]\nUsername=a\n");
  const std::string b = dir.Write("b", "[System]\nUsername=b\n");
  const std::string c = dir.Write("c", "[5GHz_WirelessSettings]\nch=36\n");
  CConfigCompare fresh;
  ASSERT_TRUE(fresh.LoadFiles(c, 0, c, 0));
  fresh.CompareFiles();

  CConfigCompare reused;
  ASSERT_TRUE(reused.LoadFiles(a, 0, b, 0));
  ASSERT_TRUE(reused.LoadFiles(a, 0, b, 0));  // a second load before comparing: no append
  reused.CompareFiles();
  EXPECT_EQ(reused.Result1(), (CLineList{"[System]", "d_Username=a"}));
  ASSERT_TRUE(reused.LoadFiles(c, 0, c, 0));
  EXPECT_TRUE(reused.Result1().empty());  // the earlier results are gone with the load
  reused.CompareFiles();
  EXPECT_EQ(reused.Result1(), fresh.Result1());
  EXPECT_EQ(reused.Result2(), fresh.Result2());

  // A failed load leaves nothing of the earlier comparison either.
  EXPECT_FALSE(reused.LoadFiles(dir.File("missing"), 0, c, 0));
  reused.CompareFiles();
  EXPECT_TRUE(reused.Result1().empty());
}

TEST(CConfigCompare, TypesBeforeAnyLoadAreZero) {
  const CConfigCompare engine;
  EXPECT_EQ(engine.Type1(), 0);
  EXPECT_EQ(engine.Type2(), 0);
}

TEST(CConfigCompare, SaveBeforeCompareWritesTwoEmptyFiles) {
  CTempDir dir;
  const std::string out1 = dir.Write("1.out", "old");
  CConfigCompare engine;
  int count1 = -1;
  int count2 = -1;
  ASSERT_TRUE(engine.WriteFiles(out1, count1, dir.File("2.out"), count2));
  EXPECT_EQ(count1, 0);
  EXPECT_EQ(count2, 0);
  EXPECT_EQ(ReadAll(out1), "");
  EXPECT_EQ(ReadAll(dir.File("2.out")), "");
}

std::vector<std::string> Names(const CTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A save that cannot write one of its outputs replaces neither and leaves no temporary file.
TEST(CConfigCompare, FailedSaveLeavesTheEarlierPair) {
  struct Case {
    const char* name;
    const char* out1;  // relative to the directory, or absolute
    const char* out2;
  };
  const Case cases[] = {
      {"second in a missing folder", "1.out", "no/dir/2.out"},
      {"second is a folder", "1.out", "folder"},
      {"first on a full device", "/dev/full", "2.out"},
      {"second has no name", "1.out", ""},
      {"both are one file", "1.out", "1.out"},
      {"both are one file spelled twice", "2.out", "folder/../2.out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTempDir dir;
    dir.Write("1.out", "old1");
    dir.Write("2.out", "old2");
    std::filesystem::create_directory(dir.File("folder"));
    const auto path = [&](const char* name) {
      return name[0] == '/' || name[0] == '\0' ? std::string(name) : dir.File(name);
    };
    CConfigCompare engine;
    engine.LoadTexts("[5GHz_WirelessSettings]\na=1\n", 0, "[5GHz_WirelessSettings]\na=2\n", 0);
    engine.CompareFiles();
    int count1 = 0;
    int count2 = 0;
    EXPECT_FALSE(engine.WriteFiles(path(c.out1), count1, path(c.out2), count2));
    EXPECT_EQ(ReadAll(dir.File("1.out")), "old1");
    EXPECT_EQ(ReadAll(dir.File("2.out")), "old2");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"1.out", "2.out", "folder"}));
  }
}

// A save never lands on a file the comparison read, by any spelling: refused, nothing written.
TEST(CConfigCompare, SaveOverALoadedFileIsRefused) {
  CTempDir dir;
  const std::string in1 = dir.Write("1.cfg", kFile1);
  const std::string in2 = dir.Write("2.cfg", kFile2);
  std::filesystem::create_symlink("2.cfg", dir.File("link.cfg"));
  const std::string other = dir.File("other.out");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {in1, other}, {other, in2}, {dir.File("./1.cfg"), other}, {other, dir.File("link.cfg")}};
  for (const auto& [out1, out2] : cases) {
    SCOPED_TRACE(out1 + " " + out2);
    CConfigCompare engine;
    ASSERT_TRUE(engine.LoadFiles(in1, 0, in2, 0));
    engine.CompareFiles();
    EXPECT_FALSE(engine.OutputsAreSafe(out1, out2));
    int count1 = -1;
    int count2 = -1;
    EXPECT_FALSE(engine.WriteFiles(out1, count1, out2, count2));
    EXPECT_EQ(ReadAll(in1), kFile1);
    EXPECT_EQ(ReadAll(in2), kFile2);
    EXPECT_FALSE(std::filesystem::exists(other));
  }
  // Bytes loaded name no file: any two distinct outputs are safe.
  CConfigCompare engine;
  engine.LoadTexts(kFile1, 0, kFile2, 0);
  EXPECT_TRUE(engine.OutputsAreSafe(in1, in2));
}

// What a save replaces: a link keeps pointing at the file written through it, a replaced file
// keeps its permissions, and one path named twice is refused (devices aside).
TEST(CConfigCompare, SaveReplacesTargetsAsAnInPlaceWriteWould) {
  CTempDir dir;
  const std::string real = dir.Write("real.out", "old");
  std::filesystem::create_symlink("real.out", dir.File("link.out"));
  const std::string kept = dir.Write("kept.out", "old");
  std::filesystem::permissions(kept, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  CConfigCompare engine;
  engine.LoadTexts("[5GHz_WirelessSettings]\na=1\n", 0, "[5GHz_WirelessSettings]\na=2\n", 0);
  engine.CompareFiles();
  int count1 = 0;
  int count2 = 0;
  ASSERT_TRUE(engine.WriteFiles(dir.File("link.out"), count1, kept, count2));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.out")));
  EXPECT_EQ(ReadAll(real), "[5GHz_WirelessSettings]\r\nd_a=1\r\n");
  EXPECT_EQ(std::filesystem::status(kept).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_FALSE(engine.WriteFiles(real, count1, real, count2));
  EXPECT_EQ(ReadAll(real), "[5GHz_WirelessSettings]\r\nd_a=1\r\n");
  ASSERT_TRUE(engine.WriteFiles("/dev/null", count1, "/dev/null", count2));
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"kept.out", "link.out", "real.out"}));
}

TEST(CConfigCompare, NulAndHighBytesSurviveToTheSavedFile) {
  using namespace std::string_literals;
  CTempDir dir;
  CConfigCompare engine;
  engine.LoadTexts("[2.4GHz_WirelessSettings]\nname=a\0b\xe9\n"s, 0,
                   "[2.4GHz_WirelessSettings]\nname=a\0b\xe9\n"s, 0);
  engine.CompareFiles();
  int count1 = 0;
  int count2 = 0;
  ASSERT_TRUE(engine.WriteFiles(dir.File("1.out"), count1, dir.File("2.out"), count2));
  EXPECT_EQ(ReadAll(dir.File("1.out")), "[2.4GHz_WirelessSettings]\r\ns_name=a\0b\xe9\r\n"s);
}

TEST(CConfigCompare, CrLfAndLfFilesCompareEqual) {
  CConfigCompare engine;
  engine.LoadTexts("[5GHz_WirelessSettings]\r\na=1\r\nb=2", 0,
                   "[5GHz_WirelessSettings]\na=1\nb=2\n", 0);
  engine.CompareFiles();
  EXPECT_EQ(engine.Result1(), (CLineList{"[5GHz_WirelessSettings]", "s_a=1", "s_b=2"}));
  EXPECT_EQ(engine.Result1(), engine.Result2());
}

TEST(CConfigCompare, SecondCompareWorksOnTheNormalizedLines) {
  CConfigCompare engine;
  engine.LoadTexts("[2.4GHz_Filter]\nf=1\n[System]\na=1\n", 0, "[System]\na=2\n", 0);
  engine.CompareFiles();
  const CLineList first1 = engine.Result1();
  const CLineList first2 = engine.Result2();
  engine.CompareFiles();
  EXPECT_EQ(engine.Result1(), first1);
  EXPECT_EQ(engine.Result2(), first2);
}

}  // namespace
}  // namespace varnic
