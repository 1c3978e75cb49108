// Golden templates through the command: render, compare and audit of a small fleet.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/json_schema.h"
#include "tests/support/temp_dir.h"

namespace varnic::testing {
namespace {

constexpr const char* kGolden =
    "[System]\r\nDeviceName={{ name }}\r\nIPaddr={{ in 10.20.0.0/16 }}\r\nTelnet_option=Disable\r\n"
    "[2.4GHz_WirelessSettings]\r\nchannel={{ one_of 1 6 11 }}\r\nssid={{ site }}\r\n";

std::string Device(const std::string& name, const std::string& ip, const std::string& channel,
                   const std::string& ssid) {
  return "[System]\r\nDeviceName=" + name + "\r\nIPaddr=" + ip +
         "\r\nTelnet_option=Disable\r\n[2.4GHz_WirelessSettings]\r\nchannel=" + channel +
         "\r\nssid=" + ssid + "\r\n";
}

struct CFleet {
  CTempDir dir;
  std::string golden = dir.Write("golden.cfg", kGolden);
  std::string vars = dir.Write("vars.csv", "device,name,site\nap1,AP-1,Lobby\nap2,AP-2,Hall\n");
  std::string ap1 = dir.Write("ap1.cfg", Device("AP-1", "10.20.3.4", "6", "Lobby"));
  std::string ap2 = dir.Write("ap2.cfg", Device("AP-2", "10.99.0.1", "7", "Hall"));
  std::string ap3 = dir.Write("ap3.cfg", Device("AP-3", "10.20.0.9", "1", "Roof"));
};

TEST(GoldenCommand, CompareRendersTheTemplateForTheDevice) {
  const CFleet fleet;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;  // a part of standard output
    std::string err;  // a part of standard error
  };
  const std::vector<Case> cases = {
      {"conforming device",
       {fleet.golden, fleet.ap1, "--vars", fleet.vars, "--format", "changes"},
       0,
       "",
       ""},
      {"failed rules name themselves",
       {fleet.golden, fleet.ap2, "--vars", fleet.vars, "--format", "changes"},
       1,
       "[2.4GHz_WirelessSettings] channel: {{ one_of 1 6 11 }} → 7",
       ""},
      {"no row for the device",
       {fleet.golden, fleet.ap3, "--vars", fleet.vars},
       2,
       "",
       "device 'ap3' has no row in '" + fleet.vars + "'"},
      {"--device picks the row",
       {fleet.golden, fleet.ap3, "--vars", fleet.vars, "--device", "ap1", "--format", "changes"},
       1,
       "DeviceName: AP-1 → AP-3",
       ""},
      {"variables need an inventory",
       {fleet.golden, fleet.ap1, "--template"},
       2,
       "",
       "uses variables; give their values with --vars FILE"},
      {"without --template the file is compared as it is",
       {fleet.golden, fleet.ap1, "--format", "changes"},
       1,
       "DeviceName: {{ name }} → AP-1",
       ""},
  };
  for (const Case& c : cases) {
    const CommandRun run = RunVarnic(c.args);
    EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << c.name << ": " << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << ": " << run.err;
  }
}

TEST(GoldenCommand, RenderPrintsTheIntendedFile) {
  const CFleet fleet;
  const CommandRun run =
      RunVarnic({"render", fleet.golden, "--vars", fleet.vars, "--device", "ap2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "[System]\r\nDeviceName=AP-2\r\nIPaddr={{ in 10.20.0.0/16 }}\r\nTelnet_option=Disable\r\n"
      "[2.4GHz_WirelessSettings]\r\nchannel={{ one_of 1 6 11 }}\r\nssid=Hall\r\n");
  const CommandRun against =
      RunVarnic({"render", fleet.golden, "--vars", fleet.vars, "--against", fleet.ap1});
  EXPECT_EQ(against.out, Device("AP-1", "10.20.3.4", "6", "Lobby"));
  const std::string bad = fleet.dir.Write("bad.cfg", "[System]\nx={{ range 9..1 }}\n");
  const CommandRun refused = RunVarnic({"render", bad});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find(bad + ":2: bad range '9..1'"), std::string::npos) << refused.err;
}

TEST(GoldenCommand, AuditRendersPerDeviceAndFailsAnUnlistedOne) {
  const CFleet fleet;
  const CommandRun run = RunVarnic({"audit", fleet.golden, fleet.ap1, fleet.ap2, fleet.ap3,
                                    "--vars", fleet.vars, "--format", "csv", "--no-progress"});
  EXPECT_EQ(run.status, 2) << run.err;  // ap3 has no row: an error row, not a silent match
  EXPECT_NE(run.out.find("has no row"), std::string::npos) << run.out;
  const CommandRun two = RunVarnic({"audit", fleet.golden, fleet.ap1, fleet.ap2, "--vars",
                                    fleet.vars, "--format", "json", "--no-progress"});
  EXPECT_EQ(two.status, 1) << two.err;
  EXPECT_NE(two.out.find("one_of 1 6 11"), std::string::npos) << two.out;
  EXPECT_EQ(two.out.find("AP-2"), std::string::npos) << "the hostname drifted: " << two.out;
}

TEST(GoldenCommand, WriteFixedBringsTheDeviceBack) {
  const CFleet fleet;
  const std::string device =
      fleet.dir.Write("ap9.cfg",
                      "[System]\nDeviceName=AP-2\nIPaddr=10.20.1.1\nTelnet_option=Enable\nextra=1\n"
                      "[2.4GHz_WirelessSettings]\nchannel=6\nssid=Hall\n");
  const std::string out = fleet.dir.File("fixed.cfg");
  const CommandRun run = RunVarnic({fleet.golden, device, "--vars", fleet.vars, "--device", "ap2",
                                    "--format", "remediation", "--strict", "--write-fixed", out});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "[System]\nset Telnet_option=Disable\nremove extra=1\n");
  EXPECT_EQ(ReadAll(out),
            "[System]\nDeviceName=AP-2\nIPaddr=10.20.1.1\nTelnet_option=Disable\n"
            "[2.4GHz_WirelessSettings]\nchannel=6\nssid=Hall\n");
  const CommandRun again = RunVarnic({fleet.golden, out, "--vars", fleet.vars, "--device", "ap2",
                                      "--format", "changes", "--strict"});
  EXPECT_EQ(again.status, 0) << again.out;
  // A rule with no single value cannot be written: nothing is.
  const std::string manual = fleet.dir.File("manual.cfg");
  const CommandRun refused =
      RunVarnic({fleet.golden, fleet.ap2, "--vars", fleet.vars, "--write-fixed", manual});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("channel=7 fails {{ one_of 1 6 11 }}"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(std::filesystem::exists(manual));
  for (const std::string& input : {fleet.ap1, fleet.vars}) {
    const CommandRun same =
        RunVarnic({fleet.golden, fleet.ap1, "--vars", fleet.vars, "--write-fixed", input});
    EXPECT_EQ(same.status, 2) << input;
    EXPECT_NE(same.err.find("refusing to overwrite input"), std::string::npos) << same.err;
  }
}

TEST(GoldenCommand, JsonCarriesTheRemediationAndValidates) {
  if (!HaveJsonSchema()) GTEST_SKIP() << "python3-jsonschema is not installed";
  const CFleet fleet;
  const CommandRun run =
      RunVarnic({fleet.golden, fleet.ap2, "--vars", fleet.vars, "--format", "json"});
  EXPECT_EQ(run.status, 1) << run.err;
  for (const char* part :
       {"\"remediation\": [",
        "\"action\": \"manual\",\n      \"section\": \"[2.4GHz_WirelessSettings]\",\n"
        "      \"key\": \"channel\",\n      \"value\": \"7\",\n"
        "      \"rule\": \"one_of 1 6 11\""}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
  }
  const std::string json = fleet.dir.Write("out.json", run.out);
  EXPECT_TRUE(ValidatesAgainst(json, "varnic.schema.json"));
}

TEST(GoldenCommand, AuditFixDirWritesOneFixPerDriftedDevice) {
  const CFleet fleet;
  const std::string fleetDir = fleet.dir.File("fleet");
  std::filesystem::create_directories(fleetDir);
  fleet.dir.Write("fleet/ap1.cfg", Device("AP-1", "10.20.3.4", "6", "Lobby"));
  fleet.dir.Write("fleet/ap2.cfg", Device("AP-2", "10.20.0.1", "11", "Hall") + "extra=1\n");
  const std::string fixes = fleet.dir.File("fleet/fixes");
  for (int run = 0; run < 2; ++run) {  // the second run must not audit the fixes
    const CommandRun audit = RunVarnic({"audit", fleet.golden, fleetDir, "--vars", fleet.vars,
                                        "--fix-dir", fixes, "--format", "csv", "--no-progress"});
    EXPECT_EQ(audit.status, 1) << audit.out << audit.err;
  }
  std::vector<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(fixes)) {
    written.push_back(entry.path().string());
  }
  ASSERT_EQ(written.size(), 1U);  // the clean device has no fix
  EXPECT_TRUE(written[0].ends_with("ap2.cfg.fixed.cfg")) << written[0];
  const std::string fixed = ReadAll(written[0]);
  EXPECT_EQ(fixed, Device("AP-2", "10.20.0.1", "11", "Hall"));
}

TEST(GoldenCommand, AuditShowsEachDriftedDeviceTheWayBack) {
  const CFleet fleet;
  const std::string page = fleet.dir.File("page.html");
  const CommandRun run =
      RunVarnic({"audit", fleet.golden, fleet.ap1, fleet.ap2, "--vars", fleet.vars, "--format",
                 "json", "--html", page, "--no-progress"});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string manualChannel =
      "\"action\": \"manual\",\n          \"section\": \"[2.4GHz_WirelessSettings]\",\n"
      "          \"key\": \"channel\",\n          \"value\": \"7\",\n"
      "          \"rule\": \"one_of 1 6 11\"";
  for (const std::string& part : {std::string("\"rule\": \"in 10.20.0.0/16\""), manualChannel}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
  }
  // Only the drifted device has a way back.
  EXPECT_EQ(run.out.find("remediation_omitted"), run.out.rfind("remediation_omitted"));
  const std::string html = ReadAll(page);
  for (const char* part : {"<th>expected</th><th>actual</th><th>rule</th>",
                           "<td>manual</td><td class=\"v\">[2.4GHz_WirelessSettings] channel"}) {
    EXPECT_NE(html.find(part), std::string::npos) << part;
  }
  // A merge of the document keeps it.
  const std::string summary = fleet.dir.Write("summary.json", run.out);
  const CommandRun merged = RunVarnic({"audit", "--merge", summary, "--format", "json"});
  EXPECT_EQ(merged.status, 1) << merged.err;
  EXPECT_NE(merged.out.find(manualChannel), std::string::npos) << merged.out;
  if (std::system("/usr/bin/python3 -c 'import jsonschema' 2>/dev/null") == 0) {
    for (const std::string& document : {summary, fleet.dir.Write("merged.json", merged.out)}) {
      const std::string check =
          "/usr/bin/python3 -c 'import json,sys,jsonschema; "
          "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
          document + " " VARNIC_SOURCE_DIR "/docs/varnic-audit.schema.json";
      EXPECT_EQ(std::system(check.c_str()), 0) << document;
    }
  }
}

TEST(GoldenCommand, AFixNameOnAnInputIsRefusedBeforeAnythingIsWritten) {
  const CFleet fleet;
  const std::string fixes = fleet.dir.File("fixes");
  std::filesystem::create_directories(fixes);
  // The inventory sits where ap2's fixed backup would go: its path with "/" made "__".
  std::string name = fleet.ap2.substr(1);
  for (std::size_t at = name.find('/'); at != std::string::npos; at = name.find('/', at)) {
    name.replace(at, 1, "__");
  }
  const std::string inventory =
      fleet.dir.Write("fixes/" + name + ".fixed.cfg", ReadAll(fleet.vars));
  const CommandRun run = RunVarnic({"audit", fleet.golden, fleet.ap1, fleet.ap2, "--vars",
                                    inventory, "--fix-dir", fixes, "--no-progress"});
  EXPECT_EQ(run.status, 2) << run.out;
  EXPECT_NE(run.err.find("refusing to overwrite input '" + inventory), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadAll(inventory), ReadAll(fleet.vars));
}

}  // namespace
}  // namespace varnic::testing
