// The command on backups edited by hand as an administrator would: each pair in every line
// format, checked in under tests/golden/pairs/. VARNIC_UPDATE_GOLDEN=1 rewrites the files after
// a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "report/version.h"
#include "tests/support/command.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

const std::string kPairs = VARNIC_SOURCE_DIR "/tests/pairs/";

struct CPairCase {
  const char* name;
  std::vector<std::string> args;  // after "compare"
  int status;                     // by default; --strict adds the hidden differences
  int strictStatus;
  bool documents = false;  // JSON and HTML too: kept for the pairs that show what they add
};

const std::vector<CPairCase> kCases = {
    // Only the management address changed: [System] compares the keys its rules name.
    {"address-changed", {"base.cfg", "address-changed.cfg"}, 0, 1},
    {"firmware-upgrade", {"base.cfg", "firmware-upgrade.cfg"}, 0, 1},
    {"mac-reordered", {"base.cfg", "mac-reordered.cfg"}, 0, 0},
    {"passphrase-changed", {"base.cfg", "passphrase-changed.cfg"}, 1, 1},
    {"duplicate-key", {"base.cfg", "duplicate-key.cfg"}, 0, 1},
    {"spaced-key", {"base.cfg", "spaced-key.cfg", "--explain"}, 1, 1},
    {"single-band", {"single-band.cfg", "base.cfg", "--types", "auto", "--explain"}, 0, 0},
    {"ignored", {"base.cfg", "passphrase-changed.cfg", "--ignore", "[*Security*]passphrase"}, 0, 0},
    // Lines no rule models are compared as they stand: hidden differences of their own.
    {"unknown-section", {"base.cfg", "unknown-section.cfg"}, 0, 1, true},
    {"before-header", {"base.cfg", "before-header.cfg"}, 0, 1, true},
    {"repeated-header", {"base.cfg", "repeated-header.cfg"}, 0, 1, true},
    // A setting turned on: one change with both values, not a line only one file has.
    {"ssid-enabled", {"base.cfg", "ssid-enabled.cfg"}, 1, 1, true},
    {"dhcp-on", {"base.cfg", "dhcp-on.cfg"}, 1, 1, true},
    // Addresses matched under other numbers are named as each file names them.
    {"mac-renumbered", {"base.cfg", "mac-renumbered.cfg"}, 1, 1, true},
};

const std::vector<std::vector<std::string>> kFormats = {
    {"--format=changes", "--explain"}, {"--format=brief"}, {"--format=github"},
    {"--format=side", "-W", "100"},    {"--format=json"},  {"--html"}};

// The version the outputs name changes with every release, the pages' date with every run.
std::string Stable(std::string text) {
  for (const std::string prefix : {"\"version\":\"", "by varnic "}) {
    const std::string version = prefix + report::kVersion;
    for (std::size_t at = text.find(version); at != std::string::npos;
         at = text.find(version, at)) {
      text.replace(at, version.size(), prefix + "VERSION");
    }
  }
  return text;
}

TEST(CommandPairs, EveryFormatOfEveryPair) {
  for (const CPairCase& pair : kCases) {
    std::string expected;
    for (const auto& format : kFormats) {
      const bool document = format[0] == "--format=json" || format[0] == "--html";
      if (document && !pair.documents) continue;
      std::vector<std::string> args = {"compare"};
      args.insert(args.end(), pair.args.begin(), pair.args.end());
      args.insert(args.end(), format.begin(), format.end());
      const testing::CTempDir dir;
      const std::string html = dir.File("report.html");
      if (format[0] == "--html") args.insert(args.end(), {html, "--format=brief"});
      // Beside the pairs, so the outputs name the files as given.
      const testing::CommandRun run =
          testing::RunVarnic(args, "cd " + testing::Quote(kPairs) + " && SOURCE_DATE_EPOCH=0 ");
      EXPECT_EQ(run.status, pair.status) << pair.name << " " << format[0] << "\n" << run.err;
      expected += "$ varnic " + format[0] + "\n" +
                  Stable(format[0] == "--html" ? testing::ReadAll(html) : run.out);
    }
    std::vector<std::string> strict = {"compare", "--strict", "--quiet"};
    strict.insert(strict.end(), pair.args.begin(), pair.args.end());
    EXPECT_EQ(testing::RunVarnic(strict, "cd " + testing::Quote(kPairs) + " && ").status,
              pair.strictStatus)
        << pair.name;
    const std::string file = VARNIC_SOURCE_DIR "/tests/golden/pairs/" + std::string(pair.name);
    if (std::getenv("VARNIC_UPDATE_GOLDEN") != nullptr) {
      std::ofstream(file, std::ios::binary) << expected;
      continue;
    }
    EXPECT_EQ(expected, testing::ReadAll(file)) << file;
  }
}

}  // namespace
}  // namespace varnic
