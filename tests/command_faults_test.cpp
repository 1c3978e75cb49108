// The command under hostile use: outputs that fail, collide or point back at an input, names that
// carry terminal escapes, and secrets that must stay masked in every output that is asked to.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::ReadAll;

const std::string kBefore = VARNIC_SOURCE_DIR "/examples/ap-before.cfg";
const std::string kAfter = VARNIC_SOURCE_DIR "/examples/ap-after.cfg";

using CRun = testing::CommandRun;
using testing::Quote;

CRun Shell(const std::vector<std::string>& args, const std::string& around = "",
           const std::string& after = "") {
  return testing::RunVarnic(args, around, after);
}

std::size_t FilesIn(const CTempDir& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.File("")),
                                                std::filesystem::directory_iterator()));
}

// Standard output is checked like a file: a full device is trouble, for every kind of output.
TEST(CommandFaults, AFailedWriteToStandardOutputIsTrouble) {
  const std::vector<std::vector<std::string>> cases = {
      {"compare", kBefore, kAfter, "--format=json"},
      {"compare", kBefore, kAfter, "--format=marked"},
      {"compare", kBefore, kAfter, "--format=side"},
      {"compare", kBefore, kBefore, "--stat"},
      {"compare", kBefore, kAfter, "--explain"},
      {"--help"}};
  for (const auto& args : cases) {
    const CRun run = Shell(args, "", ">/dev/full");
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err.find("cannot write standard output"), std::string::npos) << args.back();
  }
}

// Past a file-size limit the run is not killed: it fails with the reason, keeps the earlier
// results and leaves no temporary file, at sizes all along the output (from the smallest that
// still has room for the message on standard error).
TEST(CommandFaults, AFileSizeLimitFailsEveryOutputCleanly) {
  CTempDir dir;
  const std::string out1 = dir.Write("out1", "earlier 1");
  const std::string out2 = dir.Write("out2", "earlier 2");
  const std::string html = dir.Write("report.html", "earlier report");
  const std::string printed = dir.File("printed");
  struct Case {
    std::vector<std::string> args;
    std::string redirect;
  };
  const std::vector<Case> cases = {
      {{"--quiet", "--save", out1, out2, "--html", html}, ""},
      {{"--format=json"}, ">" + Quote(printed)},
      {{"--format=marked"}, ">" + Quote(printed)},
      {{"--format=side", "--explain"}, ">" + Quote(printed)},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"compare", kBefore, kAfter};
    args.insert(args.end(), c.args.begin(), c.args.end());
    // The printed output's size comes from a run without a limit; the saves are staged whole, so
    // any limit below the size of one result makes them fail.
    std::size_t whole = ReadAll(kBefore).size();
    if (!c.redirect.empty()) {
      Shell(args, "", c.redirect);
      whole = ReadAll(printed).size();
    }
    for (std::size_t limit = 200; limit < whole; limit += std::max<std::size_t>(1, whole / 12)) {
      const CRun run = Shell(args, "prlimit --fsize=" + std::to_string(limit) + " ", c.redirect);
      const std::string what = c.args.front() + " at " + std::to_string(limit);
      EXPECT_EQ(run.status, 2) << what << run.err;
      EXPECT_NE(run.err.find("File too large"), std::string::npos) << what << run.err;
      EXPECT_EQ(ReadAll(out1), "earlier 1") << what;
      EXPECT_EQ(ReadAll(out2), "earlier 2") << what;
      EXPECT_EQ(ReadAll(html), "earlier report") << what;
      EXPECT_EQ(FilesIn(dir), c.redirect.empty() ? 3u : 4u) << what;
    }
  }
}

TEST(CommandFaults, OutputsThatWouldLoseAResultAreRefused) {
  CTempDir dir;
  const std::string a = dir.Write("a", "earlier a");
  struct Case {
    const char* name;
    std::vector<std::string> outputs;
  };
  const std::vector<Case> cases = {
      {"SavePairOnOneFile", {"--save", a, a}},
      {"SamePlaceSpelledTwoWays", {"--save", dir.File("x"), dir.File("./x")}},
      {"ReportOnASavedResult", {"--save", a, dir.File("b"), "--html", a}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"compare", kBefore, kAfter, "--quiet"};
    args.insert(args.end(), c.outputs.begin(), c.outputs.end());
    const CRun run = Shell(args);
    EXPECT_EQ(run.status, 2) << c.name;
    EXPECT_NE(run.err.find("given as two outputs"), std::string::npos) << c.name << run.err;
    EXPECT_EQ(ReadAll(a), "earlier a") << c.name;
    EXPECT_EQ(FilesIn(dir), 1u) << c.name;
  }
}

// A failing output after others were written puts those back: the outputs land together.
TEST(CommandFaults, ALaterFailureRestoresTheEarlierOutputs) {
  CTempDir dir;
  const std::string out1 = dir.Write("out1", "earlier 1");
  const std::string out2 = dir.Write("out2", "earlier 2");
  // /dev/full takes its bytes at commit, after the pair is in place; it fails and the pair
  // returns to what it was.
  const CRun run =
      Shell({"compare", kBefore, kAfter, "--quiet", "--save", out1, out2, "--html", "/dev/full"});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(ReadAll(out1), "earlier 1");
  EXPECT_EQ(ReadAll(out2), "earlier 2");
  EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(CommandFaults, StandardInputIsAnInputToo) {
  CTempDir dir;
  const std::string a = dir.Write("a", ReadAll(kBefore));
  const CRun run =
      Shell({"compare", "-", kAfter, "--save", a, dir.File("o2"), "--quiet"}, "", "<" + Quote(a));
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(ReadAll(a), ReadAll(kBefore));
}

TEST(CommandFaults, ALinkedOutputIsWrittenThroughAndStaysALink) {
  CTempDir dir;
  const std::string target = dir.Write("target", "earlier");
  std::filesystem::create_symlink(target, dir.File("link"));
  const CRun run =
      Shell({"compare", kBefore, kAfter, "--quiet", "--save", dir.File("link"), dir.File("o2")});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadAll(target).substr(0, 10), "[System]\r\n");
}

TEST(CommandFaults, AnOutputNameAsLongAsAFileNameMayBeIsWritten) {
  CTempDir dir;
  const std::string name = dir.File(std::string(250, 'n'));
  const CRun run = Shell({"compare", kBefore, kAfter, "--quiet", "--save", name, dir.File("o2")});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(ReadAll(name).substr(0, 8), "[System]");
}

// Names and values that reach a message are escaped, and the parser's internals stay inside.
TEST(CommandFaults, MessagesEscapeWhatTheyQuote) {
  const std::string bad = "esc\x1b]0;T\x07.cfg";
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"compare", bad, kAfter},
                                             {"compare", kBefore, kAfter, "--format", "x\x1b[1m"},
                                             {"compare", kBefore, kAfter, "--color", "x\x1b[1m"}}) {
    const CRun run = Shell(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\\x1b"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("->"), std::string::npos) << run.err;
  }
}

// Every output asked to mask does, and all outputs of one run give a value the same label.
TEST(CommandFaults, SecretsStayMaskedWhereverTheyAreShown) {
  CTempDir dir;
  const std::string stale =
      dir.Write("stale.cfg",
                "[5GHz_SecuritySettings]\nauth_type=WPA2-Personal\npassphrase=SECRETONE\n"
                "key1=TOPSECRETWEPKEY\nPASSWORD=hunter2\n");
  const std::string other = dir.Write(
      "other.cfg", "[5GHz_SecuritySettings]\nauth_type=WPA2-Personal\npassphrase=SECRETTWO\n");
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--explain", "--mask-secrets"},
                                             {"--explain", "--mask-secrets", "--stat"},
                                             {"--format=marked", "--mask-secrets"},
                                             {"--format=side", "--mask-secrets"},
                                             {"--format=json"}}) {
    std::vector<std::string> all = {"compare", stale, other};
    all.insert(all.end(), args.begin(), args.end());
    const CRun run = Shell(all);
    EXPECT_EQ(run.out.find("SECRET"), std::string::npos) << args[0];
    EXPECT_EQ(run.out.find("hunter2"), std::string::npos) << args[0];
  }
  const std::string html = dir.File("r.html");
  const CRun json = Shell({"compare", stale, other, "--format=json", "--html", html});
  // The passphrase row: the same labels in the JSON and in the HTML.
  const std::size_t at = json.out.find("\"key\": \"passphrase\"");
  ASSERT_NE(at, std::string::npos);
  const std::string left = json.out.substr(json.out.find("\"left\": \"", at) + 9, 20);
  const std::string shown = left.substr(0, left.find('"'));
  EXPECT_NE(ReadAll(html).find("<td class=\"v l\">" + shown + "</td>"), std::string::npos) << shown;
}

}  // namespace
}  // namespace varnic
