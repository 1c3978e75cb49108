#include "cli/pager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace varnic::cli {
namespace {

using testing::CTempDir;
using testing::ReadAll;

// A pager that is sure not to start is not started: the output stays on standard output.
TEST(PagerCanStart, LooksUpPlainProgramNamesOnly) {
  CTempDir dir;
  const std::string tool = dir.Write("tool", "#!/bin/sh\n");
  ::chmod(tool.c_str(), 0755);
  const std::string plain = dir.Write("plain", "not executable");
  const std::string path = "/nowhere:" + dir.File("");
  struct {
    std::string command;
    bool starts;
  } const cases[] = {
      {"tool", true},
      {"tool -R --quit", true},
      {"  tool", true},
      {"missing-pager", false},
      {"missing-pager -R", false},
      {"plain", false},      // there, but not executable
      {tool + " -x", true},  // a path is tried as it is
      {dir.File("none"), false},
      {"exec tool", true},  // the shell's own words are the shell's
      {"\"$HOME/x\"", true},
      {"LESS=x tool", true},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PagerCanStart(c.command, path.c_str()), c.starts) << c.command;
  }
}

TEST(ChoosePager, FollowsGitsRules) {
  const std::optional<std::string> none;
  struct {
    const char* name;
    CPagerEnv env;
    std::optional<std::string> pager;
  } const cases[] = {
      {"defaults to less", {true, false, none, none, "xterm"}, "less"},
      {"no TERM at all", {true, false, none, none, none}, "less"},
      {"not a terminal", {false, false, "most", "more", "xterm"}, none},
      {"--no-pager", {true, true, "most", "more", "xterm"}, none},
      {"VARNIC_PAGER first", {true, false, "most -s", "more", "xterm"}, "most -s"},
      {"then PAGER", {true, false, none, "more", "xterm"}, "more"},
      {"VARNIC_PAGER empty", {true, false, "", "more", "xterm"}, none},
      {"VARNIC_PAGER cat", {true, false, "cat", "more", "xterm"}, none},
      {"PAGER empty", {true, false, none, "", "xterm"}, none},
      {"PAGER cat", {true, false, none, "cat", "xterm"}, none},
      {"cat with arguments is a pager", {true, false, none, "cat -v", "xterm"}, "cat -v"},
      {"dumb terminal", {true, false, none, none, "dumb"}, none},
      {"dumb terminal ignores PAGER", {true, false, none, "more", "dumb"}, none},
      {"dumb terminal takes VARNIC_PAGER", {true, false, "more", "less", "dumb"}, "more"},
      {"dumb terminal, VARNIC_PAGER cat", {true, false, "cat", none, "dumb"}, none},
  };
  for (const auto& c : cases) EXPECT_EQ(ChoosePager(c.env), c.pager) << c.name;
}

// The identity of what fd 1 is open on, to tell that it was put back.
std::pair<dev_t, ino_t> StdoutIdentity() {
  struct stat s {};
  EXPECT_EQ(::fstat(STDOUT_FILENO, &s), 0);
  return {s.st_dev, s.st_ino};
}

bool WriteStdout(std::string_view text) {
  return ::write(STDOUT_FILENO, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

TEST(CPager, OutputWrittenToFdOneReachesThePager) {
  const CTempDir dir;
  const std::string file = dir.File("paged.txt");
  const auto before = StdoutIdentity();
  CPager pager;
  ASSERT_TRUE(pager.Start("cat > '" + file + "'"));
  EXPECT_TRUE(pager.Active());
  EXPECT_TRUE(WriteStdout("through the pipe\n"));
  std::printf("and C stdio\n");  // flushed by Finish
  EXPECT_EQ(pager.Finish(), 0);
  EXPECT_FALSE(pager.Active());
  EXPECT_EQ(StdoutIdentity(), before);
  EXPECT_EQ(ReadAll(file), "through the pipe\nand C stdio\n");
  EXPECT_EQ(pager.Finish(), -1);  // once only
}

TEST(CPager, SetsLessAndLvOnlyWhereUnset) {
  const char* const oldLess = std::getenv("LESS");
  const char* const oldLv = std::getenv("LV");
  const std::string savedLess = oldLess != nullptr ? oldLess : "";
  const std::string savedLv = oldLv != nullptr ? oldLv : "";
  const CTempDir dir;
  const std::string file = dir.File("env.txt");
  const std::string command = "cat > /dev/null; printf '%s|%s' \"$LESS\" \"$LV\" > '" + file + "'";
  struct {
    const char* less;
    const char* lv;
    std::string seen;
  } const cases[] = {
      {nullptr, nullptr, "FRX|-c"},
      {"-S", nullptr, "-S|-c"},
      {"", "-a", "|-a"},  // set but empty is set
  };
  for (const auto& c : cases) {
    c.less != nullptr ? ::setenv("LESS", c.less, 1) : ::unsetenv("LESS");
    c.lv != nullptr ? ::setenv("LV", c.lv, 1) : ::unsetenv("LV");
    CPager pager;
    ASSERT_TRUE(pager.Start(command));
    EXPECT_EQ(pager.Finish(), 0);
    EXPECT_EQ(ReadAll(file), c.seen);
  }
  oldLess != nullptr ? ::setenv("LESS", savedLess.c_str(), 1) : ::unsetenv("LESS");
  oldLv != nullptr ? ::setenv("LV", savedLv.c_str(), 1) : ::unsetenv("LV");
}

TEST(CPager, AReaderWhoQuitsEarlyMakesWritesFailWithEpipeNotASignal) {
  struct sigaction before {};
  ::sigaction(SIGPIPE, nullptr, &before);
  CPager pager;
  ASSERT_TRUE(pager.Start("exit 0"));
  const std::string block(4096, 'x');
  int error = 0;
  for (int i = 0; i < 10000 && error == 0; ++i) {  // more than any pipe holds
    if (!WriteStdout(block)) error = errno;
  }
  EXPECT_EQ(error, EPIPE);
  EXPECT_TRUE(pager.Active());  // so main knows the failure was the reader's choice
  EXPECT_EQ(pager.Finish(), 0);
  struct sigaction after {};
  ::sigaction(SIGPIPE, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST(CPager, FinishTellsThePagersExitStatus) {
  struct {
    const char* command;
    int status;
  } const cases[] = {
      {"cat > /dev/null", 0},
      {"cat > /dev/null; exit 3", 3},
      {"varnic-no-such-pager-command 2> /dev/null", 127},  // not found: the shell's status
      {"kill -TERM $$", 128 + SIGTERM},
  };
  for (const auto& c : cases) {
    CPager pager;
    ASSERT_TRUE(pager.Start(c.command)) << c.command;
    EXPECT_EQ(pager.Finish(), c.status) << c.command;
  }
}

TEST(CPager, AShellThatCannotRunLeavesStdoutAlone) {
  const auto before = StdoutIdentity();
  CPager pager("/nonexistent/varnic-test/sh");
  EXPECT_FALSE(pager.Start("cat"));
  EXPECT_FALSE(pager.Active());
  EXPECT_EQ(StdoutIdentity(), before);
  EXPECT_EQ(pager.Finish(), -1);
}

// Killed while paging, the command still leaves the terminal to the pager until it is done.
TEST(CPager, AnEndingSignalWaitsForThePagerFirst) {
  const CTempDir dir;
  const std::string file = dir.File("after.txt");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CPager pager;
    if (!pager.Start("cat > /dev/null; sleep 0.2; echo done > '" + file + "'")) ::_exit(1);
    ::raise(SIGTERM);
    ::_exit(2);  // not reached
  }
  int wait = 0;
  ASSERT_EQ(::waitpid(child, &wait, 0), child);
  EXPECT_TRUE(WIFSIGNALED(wait) && WTERMSIG(wait) == SIGTERM) << wait;
  EXPECT_EQ(ReadAll(file), "done\n");  // written before the command ended
}

TEST(CPager, OnlyOnePagerAtATime) {
  CPager first;
  ASSERT_TRUE(first.Start("cat > /dev/null"));
  CPager second;
  EXPECT_FALSE(second.Start("cat > /dev/null"));
  EXPECT_FALSE(second.Active());
  EXPECT_EQ(first.Finish(), 0);
}

TEST(CPager, TheDestructorFinishes) {
  const CTempDir dir;
  const std::string file = dir.File("paged.txt");
  const auto before = StdoutIdentity();
  {
    CPager pager;
    ASSERT_TRUE(pager.Start("cat > '" + file + "'"));
    EXPECT_TRUE(WriteStdout("last words\n"));
  }
  EXPECT_EQ(StdoutIdentity(), before);
  EXPECT_EQ(ReadAll(file), "last words\n");
}

}  // namespace
}  // namespace varnic::cli
