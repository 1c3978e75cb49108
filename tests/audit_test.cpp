// `varnic audit` as a fleet's nightly job runs it: formats, exit statuses, saved pairs, an
// interrupted run and merged shards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/json_schema.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CommandRun;
using testing::CTempDir;
using testing::HaveJsonSchema;
using testing::ReadAll;
using testing::ValidatesAgainst;

const std::string kBefore = VARNIC_SOURCE_DIR "/examples/ap-before.cfg";
const std::string kAfter = VARNIC_SOURCE_DIR "/examples/ap-after.cfg";

CommandRun Varnic(const std::vector<std::string>& args) { return testing::RunVarnic(args); }

// A small fleet: one device as approved, one drifted, one whose only change is a setting the
// comparison leaves out, one with nothing known in it; a missing one and one named twice on the
// command line are added by the tests.
struct CFleet {
  CTempDir dir;
  std::string golden = dir.Write("golden.cfg", ReadAll(kBefore));
  std::string root = dir.File("fleet");
  std::string same, drifted, hidden, broken;
  CFleet() {
    std::filesystem::create_directories(root + "/site-a");
    std::filesystem::create_directories(root + "/site-b");
    std::string moved = ReadAll(kBefore);
    moved.replace(moved.find("IPaddr=192.168.10.20"), 20, "IPaddr=192.168.10.99");
    same = dir.Write("fleet/site-a/same.cfg", ReadAll(kBefore));
    drifted = dir.Write("fleet/site-a/drifted.cfg", ReadAll(kAfter));
    hidden = dir.Write("fleet/site-b/hidden.cfg", moved);
    broken = dir.Write("fleet/site-b/broken.cfg", "[Vendor]\nx=1\n");
    dir.Write("fleet/site-b/notes.txt", "not a backup");
  }
  std::vector<std::string> Args(std::vector<std::string> extra) const {
    std::vector<std::string> args = {"audit", golden, root, drifted, dir.File("missing.cfg")};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(Audit, SmallFleetInEveryFormat) {
  const CFleet fleet;
  const struct {
    const char* format;
    std::vector<std::string> present;
    std::size_t lines;  // of standard output
  } cases[] = {
      {"table",
       {"error          -                 -               -       -  " + fleet.broken,
        "clean          0                 0               0       1  " + fleet.hidden,
        "5 devices: 1 drifted, 2 clean, 2 errors; 1 target was named again",
        "[2.4GHz_SecuritySettings] passphrase: 1 device", "cannot read: No such file"},
       0},
      {"csv",
       {"path,baseline,status,", fleet.drifted + "," + fleet.golden + ",drifted,10,0,2,4,0,"},
       6},
      {"junit",
       {"tests=\"5\" failures=\"1\" errors=\"2\"", "<failure message=\"10 differences, 4 hidden",
        "[System] IPaddr: hidden (baseline '192.168.10.20', device '192.168.10.99')"},
       0},
      {"github",
       {"::error file=" + fleet.drifted +
            ",title=varnic audit%3A drift::10 settings differ, 4 hidden",
        "::warning file=" + fleet.hidden +
            ",title=varnic audit%3A hidden differences::1 hidden difference against " +
            fleet.golden + ": [System] IPaddr\n",
        "::notice title=varnic audit::5 devices: 1 drifted"},
       5},
      {"json", {"\"state\": \"complete\"", "\"kind\": \"hidden\""}, 0},
  };
  for (const auto& c : cases) {
    const CommandRun run = Varnic(fleet.Args({"--format", c.format}));
    EXPECT_EQ(run.status, 2) << c.format;
    EXPECT_EQ(run.err, "") << c.format;  // no progress bar: standard error is no terminal
    for (const std::string& text : c.present) {
      EXPECT_NE(run.out.find(text), std::string::npos) << c.format << ": " << text << "\n"
                                                       << run.out;
    }
    if (c.lines != 0) {
      EXPECT_EQ(Count(run.out, "\n"), c.lines) << c.format << "\n" << run.out;
    }
    // Secret values stay out of every output unless asked for.
    EXPECT_EQ(run.out.find("GreenMeadow!2025"), std::string::npos) << c.format;
  }
  EXPECT_NE(Varnic(fleet.Args({"--format=junit", "--show-secrets"})).out.find("GreenMeadow!2025"),
            std::string::npos);
}

// The JUnit report of the hand-made pairs as a CI system reads it (Python's XML parser, as test
// report plugins use), and the workflow commands as GitHub's runner splits them.
TEST(AuditReports, JunitAndGithubAsTheirConsumersReadThem) {
  if (std::system("/usr/bin/python3 -c 'import xml.etree.ElementTree' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3 is not installed";
  }
  const std::string beside = "cd " + testing::Quote(VARNIC_SOURCE_DIR "/tests") + " && ";
  // Types given, so that the single-band device drifts (as two dual-band devices) and its rows
  // are trimmed.
  const std::vector<std::string> audit = {
      "audit", "pairs/base.cfg", "pairs", "-j1", "--baseline-type", "0", "--target-type", "0"};
  CTempDir dir;
  const std::string parse = dir.Write("parse.py", R"(import sys, xml.etree.ElementTree as ET
suite = ET.parse(sys.argv[1]).getroot().find('testsuite')
for case in suite.iter('testcase'):
    time = float(case.get('time'))
    assert time >= 0, time
    verdict = case.find('failure') if case.find('failure') is not None else case.find('error')
    out = case.find('system-out')
    text = (verdict.text if verdict is not None else out.text if out is not None else '') or ''
    print('|'.join([case.get('classname'), case.get('name'),
                    verdict.tag if verdict is not None else 'pass',
                    verdict.get('message') if verdict is not None else '']))
    for line in text.splitlines():
        print('  ' + line)
)");
  std::vector<std::string> args = audit;
  args.emplace_back("--format=junit");
  const std::string junit = dir.Write("junit.xml", testing::RunVarnic(args, beside).out);
  const CommandRun read = testing::RunShell("/usr/bin/python3 " + parse + " " + junit);
  ASSERT_EQ(read.status, 0) << ReadAll(junit);
  for (const char* expected : {
           "pairs|pairs/passphrase-changed.cfg|failure|1 difference against pairs/base.cfg\n",
           "pairs|pairs/spaced-key.cfg|failure|2 differences against pairs/base.cfg\n",
           "pairs|pairs/single-band.cfg|failure|24 differences, 6 hidden differences against "
           "pairs/base.cfg\n",
           "  [5GHz_WirelessSettings] ssid: only_in_baseline (baseline 'Lobby-5G', device "
           "missing)\n",
           "  and 5 more settings\n",
           // A toggle shows both values and why one file's line was set aside.
           "  [5GHz_MultiSSIDSettings] SSID2_Status: only_in_device (baseline 'Disable', device "
           "'Enable'; the baseline's line set aside: SSID2 is disabled: SSID2_Status=Disable)\n",
           "  [System] Gateway: only_in_baseline (baseline '192.168.10.1', device '192.168.10.1'; "
           "the device's line set aside: the address comes from DHCP: DHCPclient=Enable)\n",
           "pairs|pairs/address-changed.cfg|pass|\n"
           "  [System] IPaddr: hidden (baseline '192.168.10.20', device '192.168.10.99')\n",
           "  [System] LED_mode: hidden (baseline missing, device 'Off')\n",
       }) {
    EXPECT_NE(read.out.find(expected), std::string::npos) << expected << "\n" << read.out;
  }
  EXPECT_EQ(read.out.find("''"), std::string::npos) << "a missing value shown as empty";

  args.back() = "--format=github";
  const CommandRun github = testing::RunVarnic(args, beside);
  // "::level key=value,key=value::message", with % CR LF escaped in the message.
  const std::regex command("::(error|warning|notice) ((?:\\w+=[^,:]*,?)*)::(.*)");
  std::size_t annotations = 0;
  std::istringstream lines(github.out);
  for (std::string line; std::getline(lines, line); ++annotations) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, command)) << line;
    const std::string message = m[3];
    EXPECT_EQ(std::string(".,;:").find(message.back()), std::string::npos) << line;
    if (m[1] != "notice") {  // the totals may well say "0 errors"
      EXPECT_EQ(message.find(" 0 "), std::string::npos) << "a count of nothing: " << line;
    }
    EXPECT_EQ(message.find("1 settings"), std::string::npos) << line;
  }
  EXPECT_EQ(annotations, 13U) << github.out;
  for (const char* expected : {
           "::error file=pairs/passphrase-changed.cfg,title=varnic audit%3A drift::1 setting "
           "differs against pairs/base.cfg: [5GHz_SecuritySettings] passphrase\n",
           "::warning file=pairs/firmware-upgrade.cfg,title=varnic audit%3A hidden "
           "differences::2 hidden differences against pairs/base.cfg: [System] NTP_server; "
           "[System] LED_mode\n",
           "; and 5 more settings\n",
       }) {
    EXPECT_NE(github.out.find(expected), std::string::npos) << expected << "\n" << github.out;
  }
}

TEST(Audit, JsonValidatesAgainstThePublishedSchema) {
  if (!HaveJsonSchema()) GTEST_SKIP() << "python3-jsonschema is not installed";
  const CFleet fleet;
  const std::string json = fleet.dir.Write("out.json", Varnic(fleet.Args({"--format=json"})).out);
  EXPECT_TRUE(ValidatesAgainst(json, "varnic-audit.schema.json"));
}

TEST(Audit, ExitStatuses) {
  const CFleet fleet;
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;
  } cases[] = {
      {{fleet.same}, 0, ""},
      {{fleet.same, fleet.same, "-j", "3"}, 0, ""},
      {{fleet.same, fleet.drifted}, 1, ""},
      {{fleet.hidden}, 0, ""},  // a hidden difference is told, and counts only when strict
      {{fleet.hidden, "--strict"}, 1, ""},
      {{"--ignore", "[*]*", fleet.drifted}, 0, ""},  // a positional after --ignore stays one
      {{fleet.drifted, fleet.broken}, 2, ""},
      {{fleet.root + "/none"}, 2, ""},
      {{}, 2, "needs a BASELINE and at least one TARGET"},
      {{fleet.same, "--format", "yaml"}, 2, "'yaml' is not one of table, json, csv, junit"},
      {{fleet.same, "--baseline-type", "triple-band"}, 2, "neither a number nor"},
      {{fleet.same, "--ignore", "[System"}, 2, "--ignore '[System'"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"audit", fleet.golden};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CommandRun run = Varnic(args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args) << run.out << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
  const CommandRun badBaseline = Varnic({"audit", fleet.broken, fleet.same});
  EXPECT_EQ(badBaseline.status, 2);
  EXPECT_NE(badBaseline.err.find("baseline '" + fleet.broken + "'"), std::string::npos);
  EXPECT_EQ(badBaseline.out, "");
}

TEST(Audit, BaselineMapAndTypesPerPair) {
  const CFleet fleet;
  // site-b is held to the drifted backup as its baseline; site-a to the default one.
  fleet.dir.Write("map.txt", "# per site\n*/site-b/* -> fleet/site-a/drifted.cfg\n");
  const CommandRun run = Varnic({"audit", fleet.golden, fleet.root, "--baseline-map",
                                 fleet.dir.File("map.txt"), "--format=csv", "--types", "auto"});
  EXPECT_NE(run.out.find(fleet.hidden + "," + fleet.drifted + ",drifted"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(fleet.same + "," + fleet.golden + ",clean"), std::string::npos);
}

TEST(Audit, SaveDirHoldsTheMarkedPairOfEveryDevice) {
  const CFleet fleet;
  const std::string out = fleet.dir.File("saved/nested");
  EXPECT_EQ(Varnic({"audit", fleet.golden, fleet.root, "--save-dir", out, "-q"}).status, 2);
  // What compare --save writes for the same pair.
  ASSERT_EQ(Varnic({"compare", fleet.golden, fleet.drifted, "--save", fleet.dir.File("1"),
                    fleet.dir.File("2"), "-q"})
                .status,
            1);
  std::string name = fleet.drifted.substr(1);
  for (std::size_t at; (at = name.find('/')) != std::string::npos;) name.replace(at, 1, "__");
  EXPECT_EQ(ReadAll(out + "/" + name + ".baseline.cfg"), ReadAll(fleet.dir.File("1")));
  EXPECT_EQ(ReadAll(out + "/" + name + ".device.cfg"), ReadAll(fleet.dir.File("2")));
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(out)) {
    ++files;
    EXPECT_TRUE(entry.path().string().ends_with(".cfg")) << entry.path();
  }
  EXPECT_EQ(files, 6U);  // three devices could be compared; the broken one has no pair

  // Saved inside the fleet, the marked files are not audited as backups the next night.
  const std::string inside = fleet.root + "/saved";
  for (int night = 0; night < 2; ++night) {
    const CommandRun run = Varnic({"audit", fleet.golden, fleet.root, "--save-dir", inside});
    EXPECT_EQ(run.out.find(inside), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("4 devices: 1 drifted, 2 clean, 1 error"), std::string::npos);
  }
}

TEST(Audit, MergedShardsEqualTheWholeAudit) {
  const CFleet fleet;
  const auto json = [&](const std::vector<std::string>& targets) {
    std::vector<std::string> args = {"audit", fleet.golden, "--format=json"};
    args.insert(args.end(), targets.begin(), targets.end());
    return Varnic(args).out;
  };
  const std::string a = fleet.dir.Write("a.json", json({fleet.root + "/site-a"}));
  const std::string b = fleet.dir.Write("b.json", json({fleet.root + "/site-b"}));
  const CommandRun merged = Varnic({"audit", "--merge", a, b, "--format=json"});
  EXPECT_EQ(merged.status, 2);
  // Equal but for when and how each ran: the merge keeps each shard's in `shards`.
  const auto findings = [](const std::string& text) {
    nlohmann::json document = nlohmann::json::parse(text);
    for (const char* key : {"generated_at", "run_id", "options", "shards"}) document.erase(key);
    return document.dump(2);
  };
  const nlohmann::json shards = nlohmann::json::parse(merged.out).at("shards");
  ASSERT_EQ(shards.size(), 2U);
  EXPECT_EQ(shards[1].at("options").at("inventory").at("targets")[0], fleet.root + "/site-b");
  EXPECT_EQ(findings(merged.out), findings(json({fleet.root + "/site-a", fleet.root + "/site-b"})));
  // A shard given twice: its devices count once, as duplicates, and so do their settings.
  const CommandRun twice = Varnic({"audit", "--merge", a, a});
  EXPECT_NE(twice.out.find("2 targets were named again"), std::string::npos);
  EXPECT_NE(twice.out.find("[System] Gateway: 1 device\n"), std::string::npos) << twice.out;
  const std::string once = Varnic({"audit", "--merge", a}).out;
  EXPECT_EQ(twice.out.substr(twice.out.find("Most often")), once.substr(once.find("Most often")));
  // The shards together must hold the expected fleet.
  fleet.dir.Write("expect.txt", "same\nhidden\nap-gone\n");
  const CommandRun expected =
      Varnic({"audit", "--merge", a, b, "--expect", fleet.dir.File("expect.txt"), "--format=csv"});
  EXPECT_EQ(Count(expected.out, ",error,"), 2U) << expected.out;  // broken.cfg and ap-gone
  EXPECT_NE(expected.err.find("'ap-gone': expected (line 3)"), std::string::npos) << expected.err;
  const CommandRun notJson = Varnic({"audit", "--merge", fleet.golden});
  EXPECT_EQ(notJson.status, 2);
  EXPECT_NE(notJson.err.find("'" + fleet.golden + "' is not an audit summary: not JSON"),
            std::string::npos);
}

// A nightly job whose collection fell short fails, in every format, and says why.
TEST(Audit, ACollectionThatFellShortNeverPasses) {
  const CFleet fleet;
  std::filesystem::create_directories(fleet.dir.File("empty"));
  fleet.dir.Write("expect.txt", "# the fleet\nsame\nfleet/site-b/hidden.cfg\nap-gone\n");
  // Last night's results and the baseline itself, inside the fleet.
  const std::string night = fleet.dir.File("night");
  std::filesystem::create_directories(night);
  const std::string golden = fleet.dir.Write("night/golden.cfg", ReadAll(kBefore));
  ASSERT_EQ(Varnic({"audit", golden, fleet.same, "--save-dir", night, "-q"}).status, 0);
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> err;
    std::vector<std::string> out;
  } cases[] = {
      {{"audit", fleet.golden, fleet.dir.File("empty"), "--format=junit"},
       2,
       {"'" + fleet.dir.File("empty") + "': no backup found: no file matches '*.cfg'"},
       {"errors=\"1\"", "<error message=\"no backup found"}},
      {{"audit", fleet.golden, fleet.root, "--glob", "*.ini"}, 2, {"no file matches '*.ini'"}, {}},
      {{"audit", golden, night},
       2,
       {"note: skipped '" + golden + "': the baseline",
        ".device.cfg': saved marked results, not a backup",
        "the 3 files matching '*.cfg' are saved results or the baseline"},
       {"1 device: 0 drifted, 0 clean, 1 error"}},
      {{"audit", golden, night, "-q"}, 2, {"no backup found"}, {}},  // notes quiet, errors not
      {{"audit", fleet.golden, fleet.root + "/site-a", fleet.root + "/site-b/hidden.cfg",
        "--expect", fleet.dir.File("expect.txt"), "--format=csv"},
       2,
       {"'ap-gone': expected (line 4), but no backup was found"},
       {"ap-gone," + fleet.golden + ",error,", "\n" + fleet.same + ","}},
      {{"audit", fleet.golden, fleet.same, "--expect", fleet.dir.File("none.txt")},
       2,
       {"cannot read '" + fleet.dir.File("none.txt") + "'"},
       {}},
  };
  for (const auto& c : cases) {
    const CommandRun run = Varnic(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args) << run.err;
    for (const std::string& text : c.err)
      EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
    for (const std::string& text : c.out)
      EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  }
}

// A pattern or a map line that matches nothing is told by name, once, after the whole fleet.
TEST(Audit, PatternsAndMapLinesThatMatchNothingAreWarnedOf) {
  const CFleet fleet;
  fleet.dir.Write("ignore.txt", "# typos\n[Sytem]IPaddr\nchannel\n");
  fleet.dir.Write("map.txt",
                  "*/site-z/* -> golden.cfg\n*/site-a/* -> golden.cfg\n*/same* -> golden.cfg\n");
  const std::string ignoreFile = fleet.dir.File("ignore.txt");
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> warnings;
  } cases[] = {
      {{"compare", fleet.golden, fleet.drifted, "--ignore", "Pasword", "--ignore", "Gateway",
        "--ignore-file", ignoreFile},
       {"varnic: warning: --ignore 'Pasword' matches no setting in either file\n",
        "varnic: warning: '" + ignoreFile + "' line 2: '[Sytem]IPaddr' matches no setting"}},
      {{"audit", fleet.golden, fleet.root, "--ignore", "Pasword", "--ignore", "[System]",
        "--ignore-file", ignoreFile, "--baseline-map", fleet.dir.File("map.txt")},
       {"--ignore 'Pasword' matches no setting in any backup audited\n",
        "line 2: '[Sytem]IPaddr' matches no setting in any backup audited\n",
        "map.txt' line 1: '*/site-z/*' matches no target\n",
        "map.txt' line 3: '*/same*' chooses no target: earlier lines take every target"}},
  };
  for (const auto& c : cases) {
    const CommandRun run = Varnic(c.args);
    std::size_t lines = 0;
    for (const std::string& text : c.warnings) {
      EXPECT_EQ(Count(run.err, text), 1U) << text << "\n" << run.err;
      ++lines;
    }
    EXPECT_EQ(Count(run.err, "warning"), lines) << run.err;  // the used ones draw none
    // Quiet means quiet.
    std::vector<std::string> quiet = c.args;
    quiet.push_back("-q");
    EXPECT_EQ(Varnic(quiet).err, "");
  }
}

// A fleet of `count` drifted devices; returns the baseline.
std::string LargeFleet(const CTempDir& dir, int count) {
  std::filesystem::create_directory(dir.File("fleet"));
  const std::string after = ReadAll(kAfter);
  for (int i = 0; i < count; ++i) dir.Write("fleet/ap" + std::to_string(i) + ".cfg", after);
  return dir.Write("golden.cfg", ReadAll(kBefore));
}

TEST(Audit, ProgressBarOnlyOnATerminal) {
  if (std::system("script -qec true /dev/null >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "script(1) cannot make a terminal here";
  }
  CTempDir dir;
  const std::string golden = LargeFleet(dir, 50);
  const auto onTerminal = [&](const std::string& extra) {
    // script gives the command a terminal and copies what reaches it: standard error here.
    const std::string command = "script -qec \"'" VARNIC_BINARY "' audit '" + golden + "' '" +
                                dir.File("fleet") + "' -j1 " + extra + " >/dev/null\" /dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
      out.append(buffer.data(), n);
    }
    ::pclose(pipe);
    return out;
  };
  const std::string shown = onTerminal("");
  EXPECT_NE(shown.find("\r[........................] 0/50"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r\x1b[K"), std::string::npos);  // the bar is cleared at the end
  EXPECT_EQ(onTerminal("--no-progress").find("\r["), std::string::npos);
  // Not a terminal: the runs of the other tests check that standard error stays empty.
}

TEST(Audit, InterruptedRunPrintsTheSummarySoFarAndLeavesNoTemporaryFile) {
  CTempDir dir;
  const std::string golden = LargeFleet(dir, 4000);
  const std::string saved = dir.File("saved");
  const std::string out = dir.File("out");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::execl(VARNIC_BINARY, "varnic", "audit", golden.c_str(), dir.File("fleet").c_str(), "-j1",
            "--save-dir", saved.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Interrupt once some pairs have landed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::error_code ignored;
  while (std::chrono::steady_clock::now() < deadline &&
         (!std::filesystem::exists(saved) ||
          std::distance(std::filesystem::directory_iterator(saved, ignored),
                        std::filesystem::directory_iterator()) < 20)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(child, SIGINT);
  int raw = 0;
  ASSERT_EQ(::waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 130);
  const std::string output = ReadAll(out);
  EXPECT_NE(output.find("interrupted: "), std::string::npos) << output;
  EXPECT_NE(output.find("varnic: audit interrupted"), std::string::npos);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(saved)) {
    ++files;
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.ends_with(".baseline.cfg") || name.ends_with(".device.cfg")) << name;
  }
  EXPECT_EQ(files % 2, 0U);  // every pair whole
  EXPECT_LT(files, 8000U);
  // The table lists the devices done, each with its saved pair.
  EXPECT_EQ(Count(output, "  " + dir.File("fleet/ap")), files / 2) << output.substr(0, 2000);
}

// The page in a real browser: it renders, and a device named to run script stays text.
TEST(Audit, HtmlRendersInABrowserAndRunsNothing) {
  constexpr const char* kChromium = "/usr/bin/chromium";
  if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "Chromium is not installed";
  const CFleet fleet;
  const std::string hostile =
      fleet.dir.Write("fleet/site-a/<script>alert(1)<!--.cfg", ReadAll(kAfter));
  const std::string html = fleet.dir.File("audit.html");
  EXPECT_EQ(Varnic(fleet.Args({"--html", html, "-q"})).status, 2);
  const std::string browser = std::string(kChromium) +
                              " --headless --no-sandbox --disable-gpu --no-first-run"
                              " --disable-background-networking --user-data-dir='" +
                              fleet.dir.File("profile") + "'";
  const std::string png = fleet.dir.File("audit.png");
  ASSERT_EQ(std::system((browser + " --window-size=1100,1500 --screenshot='" + png + "' 'file://" +
                         html + "' 2>/dev/null")
                            .c_str()),
            0);
  EXPECT_GT(std::filesystem::file_size(png), 20000U);  // a blank page is a few hundred bytes
  const std::string dom = fleet.dir.File("dom.html");
  ASSERT_EQ(std::system(
                (browser + " --dump-dom 'file://" + html + "' >'" + dom + "' 2>/dev/null").c_str()),
            0);
  const std::string rendered = ReadAll(dom);
  EXPECT_NE(rendered.find("<title>Varnic fleet audit</title>"), std::string::npos);
  EXPECT_NE(rendered.find("<svg"), std::string::npos);
  EXPECT_EQ(rendered.find("<script"), std::string::npos);
  EXPECT_NE(rendered.find("&lt;script&gt;alert(1)&lt;!--.cfg"), std::string::npos);
  EXPECT_EQ(rendered.find("GreenMeadow!2025"), std::string::npos);
}

}  // namespace
}  // namespace varnic
