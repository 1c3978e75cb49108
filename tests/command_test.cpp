// The `varnic` command as a user runs it: exit statuses, messages and saved files.
#include "tests/support/command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/config_compare.h"
#include "engine/text_file.h"
#include "tests/support/json_schema.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::HaveJsonSchema;
using testing::ReadAll;
using testing::ValidatesAgainst;

using testing::CommandRun;

CommandRun Varnic(const std::vector<std::string>& args) { return testing::RunVarnic(args); }

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

  // A file with only unknown sections, or with no header at all, is no backup to compare.
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"[Vendor]\nx=1\n", "has no section header; the known headers are [System], "},
           {"channel=6\nssid=x\n", "has no section header; the known headers are [System], "},
           {"[System]\n[Vendor]\nx=1\n", "has no settings in any known section"},
           // Settings there, all set aside by the relevance rules: not "no settings".
           {"[System]\nDeviceName=x\n", "has no settings left to compare: its one setting in a"},
           {"[System]\nDeviceName=x\nIPaddr=1\n", "has no settings left to compare: all 2 of"}}) {
    const std::string unknown = dir.Write("vendor.cfg", text);
    const CommandRun nothing = Varnic({"compare", before, unknown});
    EXPECT_EQ(nothing.status, 2);
    EXPECT_NE(nothing.err.find("'" + unknown + "' " + message), std::string::npos) << nothing.err;
    EXPECT_TRUE(nothing.out.empty());
  }

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

namespace varnic {
namespace {

const std::string kBefore = VARNIC_SOURCE_DIR "/examples/ap-before.cfg";
const std::string kAfter = VARNIC_SOURCE_DIR "/examples/ap-after.cfg";

int CountPrefix(const std::string& text, const std::string& prefix) {
  int count = 0;
  for (std::size_t at = 0; (at = text.find("\n" + prefix, at)) != std::string::npos; ++at) {
    ++count;
  }
  return count + (text.starts_with(prefix) ? 1 : 0);
}

TEST(CommandFormats, MarkedIsWhatSaveWrites) {
  CTempDir dir;
  const CommandRun run = Varnic(
      {"compare", kBefore, kAfter, "--format=marked", "--save", dir.File("1"), dir.File("2")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, ReadAll(dir.File("1")) + ReadAll(dir.File("2")));
}

TEST(CommandFormats, ColourOnlyWhenAskedOrOnATerminal) {
  const CommandRun piped = Varnic({"compare", kBefore, kAfter, "--format=side"});
  EXPECT_EQ(piped.out.find('\x1b'), std::string::npos);
  const CommandRun forced = Varnic({"compare", kBefore, kAfter, "--format=side", "--color=always"});
  EXPECT_NE(forced.out.find("\x1b[33m"), std::string::npos);
  const CommandRun json = Varnic({"compare", kBefore, kAfter, "--format=json", "--color=always"});
  EXPECT_EQ(json.out.find('\x1b'), std::string::npos);
}

TEST(CommandFormats, TerminalControlBytesInValuesAreEscaped) {
  CTempDir dir;
  const std::string hostile = dir.Write("hostile.cfg",
                                        "[5GHz_WirelessSettings]\nssid=\x1b]0;owned\x07\x1b[2J\x9b"
                                        "31m\n");
  const std::string plain = dir.Write("plain.cfg", "[5GHz_WirelessSettings]\nssid=x\n");
  const CommandRun run = Varnic({"compare", hostile, plain, "--format=side", "-W", "200"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.out.find('\x07'), std::string::npos);
  EXPECT_EQ(run.out.find('\x9b'), std::string::npos);
  EXPECT_NE(run.out.find("ssid=\\x1b]0;owned\\x07\\x1b[2J\\x9b31m"), std::string::npos);
}

TEST(CommandReports, StatAgreesWithTheSavedMarks) {
  CTempDir dir;
  const CommandRun run =
      Varnic({"compare", kBefore, kAfter, "--stat", "--save", dir.File("1"), dir.File("2")});
  const std::string left = ReadAll(dir.File("1"));
  const std::string right = ReadAll(dir.File("2"));
  const std::string total = run.out.substr(run.out.find("\ntotal") + 1);
  char name[16];
  int same = -1, different = -1, only1 = -1, only2 = -1, dropped = -1;
  ASSERT_EQ(std::sscanf(total.c_str(), "%15s %d %d %d %d %d", name, &same, &different, &only1,
                        &only2, &dropped),
            6);
  EXPECT_EQ(same, CountPrefix(left, "s_"));
  EXPECT_EQ(different, CountPrefix(left, "d_"));
  EXPECT_EQ(only1, CountPrefix(left, "o_"));
  EXPECT_EQ(only2, CountPrefix(right, "o_"));
  EXPECT_GT(dropped, 0);
}

TEST(CommandReports, ExplainNamesDroppedLinesAndClearedBands) {
  CTempDir dir;
  const std::string single =
      dir.Write("single.cfg",
                "[System]\nUsername=admin\n[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\n"
                "passphrase=x\nkey1=stale\n[2.4GHz_MultiSSIDSettings]\nMulti_Status=Enable\n"
                "SSID2_Status=Disable\nSSID2_Ssid=Old\n");
  const CommandRun run =
      Varnic({"compare", single, kAfter, "--type1", "0", "--type2", "1", "--explain"});
  EXPECT_NE(run.out.find("not compared 'key1=stale': the other device type has no key1"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("not compared 'SSID2_Ssid=Old': SSID2 is disabled: SSID2_Status=Disable"),
            std::string::npos);
  EXPECT_NE(run.out.find("file 2: 5GHz band not compared"), std::string::npos);
  // The rule notation is for JSON; the text speaks of settings.
  EXPECT_EQ(run.out.find("|"), std::string::npos);
}

TEST(CommandReports, JsonValidatesAndMasksSecrets) {
  if (!HaveJsonSchema()) GTEST_SKIP() << "python3-jsonschema is not installed";
  CTempDir dir;
  const CommandRun run = Varnic({"compare", kBefore, kAfter, "--format=json", "--explain"});
  EXPECT_EQ(run.status, 1);
  const std::string json = dir.Write("out.json", run.out);
  EXPECT_TRUE(ValidatesAgainst(json, "varnic.schema.json"));
  for (const char* secret :
       {"BlueHarbor#2024", "GreenMeadow!2025", "Adm1n-2024", "welcome-guest"}) {
    EXPECT_EQ(run.out.find(secret), std::string::npos) << secret;
  }
  EXPECT_NE(Varnic({"compare", kBefore, kAfter, "--format=json", "--show-secrets"})
                .out.find("GreenMeadow!2025"),
            std::string::npos);
}

// The JSON carries what the marked results leave out: settings not compared, MAC list changes,
// spacing hints and ignores, on the hand-made pairs.
TEST(CommandReports, JsonCarriesWhatTheMarksLeaveOut) {
  using Json = nlohmann::json;
  CTempDir dir;
  const std::string pairs = VARNIC_SOURCE_DIR "/tests/pairs/";
  std::string macChanged = ReadAll(pairs + "base.cfg");
  macChanged.replace(macChanged.find("00:1A:2B:3C:4D:02"), 17, "00:1A:2B:3C:4D:99");
  const std::string macFile = dir.Write("mac-changed.cfg", macChanged);
  struct CCase {
    std::string file2;
    std::vector<std::string> options;
    int status;
    Json expected;  // members the output must hold, as JSON pointers and values
  };
  const std::vector<CCase> cases = {
      {pairs + "address-changed.cfg",
       {},
       0,
       {{"/differs", false},
        {"/counts/hidden_differences", 1},
        {"/hidden_differences/0/key", "IPaddr"},
        {"/hidden_differences/0/right", "192.168.10.99"},
        {"/hidden_differences/0/left_line", 6},
        {"/hidden_differences/0/why", "not compared while DHCPclient=Disable"}}},
      {pairs + "address-changed.cfg",
       {"--strict"},
       1,
       {{"/differs", true}, {"/strict", true}, {"/counts/differences", 0}}},
      {pairs + "address-changed.cfg",
       {"--ignore", "[System]IPaddr"},
       0,
       {{"/counts/hidden_differences", 0},
        {"/counts/ignored", 1},
        {"/ignore_patterns/0", "[System]IPaddr"},
        {"/hidden_differences/0/ignored", true}}},
      {pairs + "mac-reordered.cfg",
       {},
       0,
       {{"/mac_filters/0/added", Json::array()}, {"/mac_filters/0/removed", Json::array()}}},
      {macFile,
       {},
       1,
       {{"/mac_filters/0/section", "[5GHz_Filter]"},
        {"/mac_filters/0/added", Json::array({"00:1A:2B:3C:4D:99"})},
        {"/mac_filters/0/removed", Json::array({"00:1A:2B:3C:4D:02"})}}},
      {pairs + "spaced-key.cfg",
       {},
       1,
       {{"/entries/0/left_line", 2},
        {"/inputs/1/role", "same device type"},
        {"/inputs/1/inferred", true}}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"compare", pairs + "base.cfg", c.file2, "--format=json"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CommandRun run = Varnic(args);
    const std::string what = c.file2 + " " + ::testing::PrintToString(c.options);
    EXPECT_EQ(run.status, c.status) << what << run.err;
    const Json doc = Json::parse(run.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << what;
    for (const auto& [pointer, value] : c.expected.items()) {
      EXPECT_EQ(doc.value(Json::json_pointer(pointer), Json()), value) << what << " " << pointer;
    }
  }
  const Json spaced = Json::parse(
      Varnic({"compare", pairs + "base.cfg", pairs + "spaced-key.cfg", "--format=json"}).out);
  bool hinted = false;
  for (const Json& e : spaced["explanations"]) {
    hinted = hinted || (e["kind"] == "spacing" && e["other_key"] == "channel");
  }
  EXPECT_TRUE(hinted);
}

// The JSON and the HTML of one run give a secret value the same label.
TEST(CommandReports, JsonAndHtmlOfOneRunLabelSecretsAlike) {
  CTempDir dir;
  const std::string pairs = VARNIC_SOURCE_DIR "/tests/pairs/";
  const CommandRun run = Varnic({"compare", pairs + "base.cfg", pairs + "passphrase-changed.cfg",
                                 "--format=json", "--html", dir.File("r.html")});
  const nlohmann::json doc = nlohmann::json::parse(run.out);
  const std::string html = ReadAll(dir.File("r.html"));
  int secrets = 0;
  for (const nlohmann::json& e : doc["entries"]) {
    if (e["key"] != "passphrase") continue;
    ++secrets;
    const std::string row = "<td>passphrase</td><td class=\"v l\">" + e["left"].get<std::string>() +
                            "</td><td class=\"v r\">" + e["right"].get<std::string>() + "</td>";
    EXPECT_NE(html.find(row), std::string::npos) << row;
  }
  EXPECT_GT(secrets, 0);
}

TEST(CommandInputs, DashReadsStandardInput) {
  const std::string command =
      "cat '" + kAfter + "' | '" VARNIC_BINARY "' compare '" + kBefore + "' - --quiet";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(Varnic({"compare", "-", "-"}).status, 2);
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

// The side-by-side view of the examples, checked in; VARNIC_UPDATE_GOLDEN=1 rewrites the files
// after a deliberate change of the view.
TEST(CommandGolden, SideBySideOfTheExamples) {
  const std::string golden = VARNIC_SOURCE_DIR "/tests/golden/";
  for (const char* width : {"80", "200"}) {
    for (const bool color : {false, true}) {
      std::vector<std::string> args = {
          "compare", "ap-before.cfg", "ap-after.cfg", "--format=side", "-W", width};
      if (color) args.emplace_back("--color=always");
      // Run beside the examples: the header names the files as given.
      const CommandRun run = testing::RunVarnic(args, "cd " + testing::Quote(kExamples) + " && ");
      EXPECT_EQ(run.status, 1);
      const std::string file = golden + "side-" + width + (color ? "-color" : "") + ".txt";
      if (std::getenv("VARNIC_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(file, std::ios::binary) << run.out;
        continue;
      }
      EXPECT_EQ(run.out, ReadAll(file)) << file;
    }
  }
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

TEST(CommandDeviceTypes, MissingBandDoesNotFloodTheResult) {
  CTempDir dir;
  const std::string single = dir.Write(
      "single-band.cfg",
      "[System]\nUsername=admin\nPassword=Adm1n-2024\nDHCPclient=Disable\nMask=255.255.255.0\n"
      "Gateway=192.168.10.1\nTelnet_option=Enable\nIsSSH=Enable\nTelnet_timeout=300\n"
      "[2.4GHz_WirelessSettings]\nwireless_mode=11b/g/n\nssid=Lobby\nchannel=6\n"
      "[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\n"
      "group_key_update_interval=3600\npassphrase=BlueHarbor#2024\nautorekey=Disable\n"
      "[2.4GHz_Filter]\nfilter_mac_acl=Disable\n");
  const CommandRun typed =
      Varnic({"compare", single, kAfter, "--type1", "0", "--type2", "1", "--format=marked"});
  EXPECT_EQ(typed.status, 1);
  EXPECT_EQ(typed.out.find("5GHz"), std::string::npos);
  // Without types the files decide: the same as the types given.
  EXPECT_EQ(Varnic({"compare", single, kAfter, "--format=marked"}).out, typed.out);
  const CommandRun equal =
      Varnic({"compare", single, kAfter, "--type1", "0", "--type2", "0", "--format=marked"});
  // Without reconciliation the dual-band file's 5 GHz sections would all show as only-lines.
  EXPECT_GT(CountPrefix(equal.out, "o_"), CountPrefix(typed.out, "o_") + 20);
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

TEST(CommandSave, DevicesAreWrittenNotReplaced) {
  const CommandRun run =
      Varnic({"compare", kBefore, kAfter, "--quiet", "--save", "/dev/null", "/dev/null"});
  EXPECT_EQ(run.status, 1) << run.err;
  struct stat info {};
  ASSERT_EQ(::stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

TEST(CommandSave, ThePairLandsTogetherOrNotAtAll) {
  CTempDir dir;
  const std::string first = dir.Write("1.out", "earlier 1\r\n");
  // A directory cannot take a result: the first output must keep its earlier result too.
  const CommandRun run =
      Varnic({"compare", kBefore, kAfter, "--quiet", "--save", first, dir.File("")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(ReadAll(first), "earlier 1\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind
}

}  // namespace
}  // namespace varnic
