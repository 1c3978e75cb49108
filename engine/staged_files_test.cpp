#include "engine/staged_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::ReadAll;

CWriteBody Text(const char* text) {
  return [text](CBufferedWriter& out) { out.Append(text); };
}

// A rename that fails after an earlier one succeeded: the earlier target is put back.
TEST(CStagedFiles, FailedCommitPutsBackWhatItReplaced) {
  for (const bool firstExisted : {true, false}) {
    SCOPED_TRACE(firstExisted ? "first existed" : "first was new");
    CTempDir dir;
    if (firstExisted) dir.Write("a", "old");
    std::error_code error;
    {
      CStagedFiles files;
      ASSERT_TRUE(files.Stage(dir.File("a"), Text("new a"), error));
      ASSERT_TRUE(files.Stage(dir.File("b"), Text("new b"), error));
      // The second target becomes a folder that a file cannot replace.
      std::filesystem::create_directory(dir.File("b"));
      dir.Write("b/inside", "");
      EXPECT_FALSE(files.Commit(error));
      EXPECT_TRUE(error);
    }
    EXPECT_EQ(std::filesystem::exists(dir.File("a")), firstExisted);
    if (firstExisted) {
      EXPECT_EQ(ReadAll(dir.File("a")), "old");
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected =
        firstExisted ? std::vector<std::string>{"a", "b"} : std::vector<std::string>{"b"};
    EXPECT_EQ(names, expected);
  }
}

// Temporary names stay within the file-name limit even for the longest target name.
TEST(CStagedFiles, LongestNameCanBeWritten) {
  CTempDir dir;
  const std::string path = dir.File(std::string(255, 'n'));
  std::error_code error;
  CStagedFiles files;
  ASSERT_TRUE(files.Stage(path, Text("x"), error)) << error.message();
  ASSERT_TRUE(files.Commit(error)) << error.message();
  EXPECT_EQ(ReadAll(path), "x");
}

// A pipe named as /dev/fd/N (as a shell's >(...) passes it) or through /dev/stdout is written
// directly: the names behind those links ("pipe:[1234]") are no paths of their own.
TEST(CStagedFiles, PipesNamedThroughProcLinksAreWrittenDirectly) {
  for (const bool throughStdout : {false, true}) {
    SCOPED_TRACE(throughStdout ? "/dev/stdout" : "/dev/fd/N");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int saved = ::dup(1);
    if (throughStdout) ::dup2(ends[1], 1);
    const std::string name = throughStdout ? "/dev/stdout" : "/dev/fd/" + std::to_string(ends[1]);
    std::error_code error;
    bool ok = false;
    {
      CStagedFiles files;
      ok = files.Stage(name, Text("through the pipe"), error) && files.Commit(error);
    }
    ::dup2(saved, 1);
    ::close(saved);
    ::close(ends[1]);
    EXPECT_TRUE(ok) << error.message();
    char buffer[64] = {};
    const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
  }
}

// Many outputs staged without a flush each, then one sync of their file system.
TEST(CStagedFiles, UnflushedOutputsLandAndSyncOnce) {
  CTempDir dir;
  std::error_code error;
  for (const char* name : {"a", "b"}) {
    CStagedFiles files(false);
    ASSERT_TRUE(files.Stage(dir.File(name), Text(name), error)) << error.message();
    ASSERT_TRUE(files.Commit(error)) << error.message();
    EXPECT_EQ(ReadAll(dir.File(name)), name);
  }
  EXPECT_TRUE(SyncFileSystem(dir.File(""), error)) << error.message();
  EXPECT_FALSE(SyncFileSystem(dir.File("missing/x"), error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace varnic
