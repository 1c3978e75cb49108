// The command and the audit under hostile use: outputs named over inputs or over each other by
// any spelling, arguments that look like lists, targets that are not files, and numbers from the
// environment or a merged document that are out of range.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CommandRun;
using testing::CTempDir;
using testing::Quote;
using testing::ReadAll;

const std::string kBefore = VARNIC_SOURCE_DIR "/examples/ap-before.cfg";
const std::string kAfter = VARNIC_SOURCE_DIR "/examples/ap-after.cfg";

// Every file of a folder with its bytes: what a refused run must leave exactly as it was.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadAll(entry.path().string());
  }
  return files;
}

// A folder as a night's job sees it: a baseline, a device, an ignore file, a baseline map, a
// summary of an earlier audit and a device whose name is another device's saved name.
struct CWorkspace {
  CTempDir dir;
  CWorkspace() {
    dir.Write("base.cfg", ReadAll(kBefore));
    dir.Write("dev.cfg", ReadAll(kAfter));
    dir.Write("dev.cfg.device.cfg", ReadAll(kAfter));
    dir.Write("ign", "[System]IPaddr\n");
    dir.Write("map", "* -> base.cfg\n");
    Run({"audit", "base.cfg", "dev.cfg", "--format=json"}, "", ">shard.json");
  }
  CommandRun Run(const std::vector<std::string>& args, const std::string& env = "",
                 const std::string& after = "") const {
    return testing::RunVarnic(args, "cd " + Quote(dir.File("")) + " && " + env, after);
  }
};

TEST(HostileUse, NoOutputLandsOnAnInputOrAnotherOutput) {
  CWorkspace w;
  const std::string absolute = w.dir.File("x");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const char* const kInput = "refusing to overwrite input";
  const char* const kTwice = "given as two outputs";
  const std::vector<Case> cases = {
      {"CompareHtmlOverIgnoreFile",
       {"compare", "base.cfg", "dev.cfg", "-q", "--html", "ign", "--ignore-file", "ign"},
       kInput},
      {"CompareSaveMissingSpelledTwice",
       {"compare", "base.cfg", "dev.cfg", "-q", "--save", "x", "./x"},
       kTwice},
      {"CompareSaveRelativeAndAbsolute",
       {"compare", "base.cfg", "dev.cfg", "-q", "--save", "x", absolute},
       kTwice},
      {"CompareHtmlOverASavedResult",
       {"compare", "base.cfg", "dev.cfg", "-q", "--save", "o1", "o2", "--html", "./o1"},
       kTwice},
      {"AuditHtmlOverTarget", {"audit", "-q", "--html", "dev.cfg", "base.cfg", "dev.cfg"}, kInput},
      {"AuditHtmlOverBaseline",
       {"audit", "-q", "--html", "./base.cfg", "base.cfg", "dev.cfg"},
       kInput},
      {"AuditHtmlOverMap",
       {"audit", "-q", "--baseline-map", "map", "--html", "map", "base.cfg", "dev.cfg"},
       kInput},
      {"AuditHtmlOverIgnoreFile",
       {"audit", "-q", "--ignore-file", "ign", "--html", "ign", "base.cfg", "dev.cfg"},
       kInput},
      {"AuditSavedNameIsATarget",
       {"audit", "-q", "--save-dir", ".", "base.cfg", "dev.cfg", "dev.cfg.device.cfg"},
       kInput},
      {"MergeHtmlOverShard", {"audit", "--merge", "shard.json", "--html", "shard.json"}, kInput},
  };
  for (const Case& c : cases) {
    const auto before = Snapshot(w.dir.File(""));
    const CommandRun run = w.Run(c.args);
    EXPECT_EQ(run.status, 2) << c.name << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << run.err;
    EXPECT_EQ(Snapshot(w.dir.File("")), before) << c.name;
  }
}

// Pipes and character devices named as outputs are written directly, whatever names them.
TEST(HostileUse, OutputsToStandardOutputAndDescriptorsAreWritten) {
  CWorkspace w;
  const std::string whole = ReadAll(kBefore);
  for (const char* name : {"/dev/stdout", "/dev/fd/1"}) {
    const CommandRun html =
        w.Run({"compare", "base.cfg", "dev.cfg", "-q", "--html", name}, "", "| cat");
    EXPECT_EQ(html.status, 0) << name << html.err;  // the status of cat
    EXPECT_NE(html.out.find("<!DOCTYPE html>"), std::string::npos) << name << html.err;
    const CommandRun audit =
        w.Run({"audit", "-q", "base.cfg", "dev.cfg", "--html", name}, "", "| cat");
    EXPECT_NE(audit.out.find("<!DOCTYPE html>"), std::string::npos) << name << audit.err;
  }
}

// Arguments are taken as typed: brackets and commas are part of a name or a pattern.
TEST(HostileUse, BracketedArgumentsAreTakenAsGiven) {
  CWorkspace w;
  w.dir.Write("system.ign", "[System]\n");
  const CommandRun byOption =
      w.Run({"compare", "base.cfg", "dev.cfg", "--ignore", "[System]", "--format=changes"});
  const CommandRun byFile =
      w.Run({"compare", "base.cfg", "dev.cfg", "--ignore-file", "system.ign", "--format=changes"});
  EXPECT_EQ(byOption.status, byFile.status) << byOption.err;
  EXPECT_EQ(byOption.out, byFile.out);
  EXPECT_EQ(byOption.out.find("[System]"), std::string::npos) << byOption.out;

  const CommandRun saved =
      w.Run({"compare", "base.cfg", "dev.cfg", "-q", "--save", "[o1]", "[a,b]"});
  EXPECT_EQ(saved.status, 1) << saved.err;
  EXPECT_TRUE(std::filesystem::exists(w.dir.File("[o1]")));
  EXPECT_TRUE(std::filesystem::exists(w.dir.File("[a,b]")));
  EXPECT_FALSE(std::filesystem::exists(w.dir.File("o1")));

  w.dir.Write("[x,y].cfg", ReadAll(kAfter));
  const CommandRun audit = w.Run({"audit", "base.cfg", "[x,y].cfg", "[]", "--format=csv"});
  EXPECT_NE(audit.out.find("[x,y].cfg"), std::string::npos) << audit.out << audit.err;
  // "[]" is a target that does not exist, not an empty list.
  EXPECT_NE(audit.out.find("[]"), std::string::npos) << audit.out;
}

// A FIFO, a device or a socket among the targets is an error row; the run does not wait.
TEST(HostileUse, TargetsThatAreNotFilesAreErrorRows) {
  CWorkspace w;
  ASSERT_EQ(::mkfifo(w.dir.File("fifo").c_str(), 0600), 0);
  const CommandRun run =
      w.Run({"audit", "base.cfg", "fifo", "/dev/zero", "dev.cfg", "--format=csv"}, "timeout 20 ");
  EXPECT_EQ(run.status, 2) << run.err;
  std::size_t rows = 0;
  for (std::size_t at = run.out.find("not a regular file"); at != std::string::npos;
       at = run.out.find("not a regular file", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 2u) << run.out;
}

// The first signal ends the run within a second or so with the summary so far, even when a
// pair is stuck in the system: here its saved file is a FIFO that no one reads.
TEST(HostileUse, FirstSignalEndsAStuckAuditWithTheSummary) {
  CWorkspace w;
  std::filesystem::create_directory(w.dir.File("saved"));
  ASSERT_EQ(::mkfifo(w.dir.File("saved/dev.cfg.device.cfg").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  CommandRun run = testing::RunShell(
      "cd " + Quote(w.dir.File("")) + " || exit 1; timeout --foreground 30 " +
      Quote(VARNIC_BINARY) +
      " audit base.cfg dev.cfg --save-dir saved -j1 2>err & "
      // Signalled once the pair has staged its first file and waits at the FIFO. timeout only
      // guards against a hang: in the foreground it passes the signal on once, not to a group.
      "for i in $(seq 100); do ls saved | grep -q baseline && break; sleep 0.1; done; "
      "sleep 0.3; kill -TERM $!; wait $!");
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  run.err = ReadAll(w.dir.File("err"));
  EXPECT_EQ(run.status, 143) << run.err;
  EXPECT_LT(seconds.count(), 10.0);
  EXPECT_NE(run.out.find("interrupted"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("did not finish in time"), std::string::npos) << run.err;
}

// Numbers from the environment are held to what the options allow.
TEST(HostileUse, EnvironmentNumbersAreBounded) {
  CWorkspace w;
  for (const std::string columns : {"10000000", "99999999999999999999999"}) {
    const CommandRun run =
        w.Run({"compare", "base.cfg", "dev.cfg", "--format=side"}, "COLUMNS=" + columns + " ");
    EXPECT_EQ(run.status, 1) << columns << run.err;
    // At most -W's 10000 columns for each of the view's lines.
    EXPECT_LT(run.out.size(), 150u * 10001u) << columns;
  }
  for (const std::string epoch : {"''", "abc", "-5", "99999999999999999"}) {
    const CommandRun run =
        w.Run({"compare", "base.cfg", "dev.cfg", "--format=brief", "--html", "/dev/stdout"},
              "SOURCE_DATE_EPOCH=" + epoch + " ");
    EXPECT_NE(run.err.find("warning: SOURCE_DATE_EPOCH="), std::string::npos) << epoch << run.err;
    EXPECT_EQ(run.out.find("1970-"), std::string::npos) << epoch;
    EXPECT_NE(run.out.find(" UTC"), std::string::npos) << epoch;
  }
}

// A merged document with counts out of range is refused, in the command's own words.
TEST(HostileUse, MergeRefusesBadCountsInItsOwnWords) {
  CWorkspace w;
  std::string shard = ReadAll(w.dir.File("shard.json"));
  const std::size_t at = shard.find("\"differences\":", shard.find("\"devices\""));
  ASSERT_NE(at, std::string::npos);
  const std::size_t value = at + std::string("\"differences\":").size();
  const std::size_t end = shard.find_first_of(",}", value);
  for (const std::string bad : {"-3", "18446744073709551621", "1.5", "\"7\""}) {
    std::string text = shard;
    text.replace(value, end - value, bad);
    w.dir.Write("bad.json", text);
    const CommandRun run = w.Run({"audit", "--merge", "bad.json"});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("'bad.json' is not an audit summary: field 'devices[0].differences'"),
              std::string::npos)
        << bad << run.err;
  }
  w.dir.Write("bad.json", "{\"kind\": ");
  const CommandRun run = w.Run({"audit", "--merge", "bad.json"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("not JSON"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("json.exception"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace varnic
