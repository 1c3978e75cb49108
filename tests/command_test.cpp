// The `varnic` command as a user runs it: exit statuses, messages and saved files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "engine/config_compare.h"
#include "engine/text_file.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::ReadAll;

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

CommandRun Varnic(const std::vector<std::string>& args) {
  CTempDir dir;
  std::string command = Quote(VARNIC_BINARY);
  for (const auto& arg : args) command += " " + Quote(arg);
  command += " 2>" + Quote(dir.File("stderr"));
  CommandRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
    run.out.append(buffer.data(), n);
  }
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = ReadAll(dir.File("stderr"));
  return run;
}

const std::string kExamples = VARNIC_SOURCE_DIR "/examples/";

TEST(Command, ExitStatusesLikeDiff) {
  CTempDir dir;
  const std::string before = kExamples + "ap-before.cfg";
  const std::string after = kExamples + "ap-after.cfg";
  EXPECT_EQ(Varnic({"compare", before, after, "--quiet"}).status, 1);
  EXPECT_EQ(Varnic({"compare", before, before, "--quiet"}).status, 0);

  const CommandRun missing = Varnic({"compare", dir.File("x.cfg"), after});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err,
            "varnic: cannot read '" + dir.File("x.cfg") + "': No such file or directory\n");

  const std::string unknown = dir.Write("vendor.cfg", "[Vendor]\nx=1\n");
  const CommandRun nothing = Varnic({"compare", before, unknown});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_NE(nothing.err.find("'" + unknown + "' has no settings in any known section"),
            std::string::npos);
  EXPECT_TRUE(nothing.out.empty());

  const CommandRun unwritable = Varnic(
      {"compare", before, after, "--save", dir.File("1.out"), dir.File("no/such/dir/2.out")});
  EXPECT_EQ(unwritable.status, 2);
  EXPECT_NE(unwritable.err.find("cannot write '" + dir.File("no/such/dir/2.out") + "'"),
            std::string::npos);
}

TEST(Command, BadArgumentsGiveAUsageHint) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{},
                                             {"compare", "only-one"},
                                             {"compare", "a", "b", "--type1", "x"},
                                             {"compare", "a", "b", "--save", "one"},
                                             {"frobnicate"},
                                             {"compare", "a", "b", "--type1", "4294967296"}}) {
    const CommandRun run = Varnic(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(run.err.find("varnic --help"), std::string::npos) << run.err;
  }
}

TEST(Command, SavesExactlyWhatTheEngineWrites) {
  CTempDir dir;
  const std::string before = kExamples + "ap-before.cfg";
  const std::string after = kExamples + "ap-after.cfg";
  const CommandRun run = Varnic({"compare", before, after, "--type1=0", "--type2", "-7", "--save",
                                 dir.File("1.out"), dir.File("2.out"), "--quiet"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(run.out.empty());

  CConfigCompare engine;
  ASSERT_TRUE(engine.LoadFiles(before, 0, after, -7));
  engine.CompareFiles();
  int count1 = 0;
  int count2 = 0;
  ASSERT_TRUE(engine.WriteFiles(dir.File("e1.out"), count1, dir.File("e2.out"), count2));
  EXPECT_EQ(ReadAll(dir.File("1.out")), ReadAll(dir.File("e1.out")));
  EXPECT_EQ(ReadAll(dir.File("2.out")), ReadAll(dir.File("e2.out")));
  EXPECT_GT(count1, 20);
}

TEST(Command, RefusesToSaveOverAnInput) {
  CTempDir dir;
  const std::string text = ReadAll(kExamples + "ap-before.cfg");
  const std::string input = dir.Write("in.cfg", text);
  const CommandRun run = Varnic({"compare", input, kExamples + "ap-after.cfg", "--save",
                                 dir.File("./in.cfg"), dir.File("2.out")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(ReadAll(input), text);
}

TEST(Command, FailedSaveLeavesTheEarlierResultAsItWas) {
  CTempDir dir;
  const std::string earlier = dir.Write("1.out", "earlier result\r\n");
  // The second output is a directory: it cannot be replaced by a file.
  const CommandRun run = Varnic({"compare", kExamples + "ap-before.cfg", kExamples + "ap-after.cfg",
                                 "--save", dir.File("2.out"), dir.File("")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(ReadAll(earlier), "earlier result\r\n");
}

}  // namespace
}  // namespace varnic
