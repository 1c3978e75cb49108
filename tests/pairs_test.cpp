// The command on backups edited by hand as an administrator would: each pair in every line
// format, checked in under tests/golden/pairs/. VARNIC_UPDATE_GOLDEN=1 rewrites the files after
// a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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
};

const std::vector<std::vector<std::string>> kFormats = {
    {"--format=changes"}, {"--format=brief"}, {"--format=github"}, {"--format=side", "-W", "100"}};

TEST(CommandPairs, EveryFormatOfEveryPair) {
  for (const CPairCase& pair : kCases) {
    std::string expected;
    for (const auto& format : kFormats) {
      std::vector<std::string> args = {"compare"};
      args.insert(args.end(), pair.args.begin(), pair.args.end());
      args.insert(args.end(), format.begin(), format.end());
      // Beside the pairs, so the outputs name the files as given.
      const testing::CommandRun run =
          testing::RunVarnic(args, "cd " + testing::Quote(kPairs) + " && ");
      EXPECT_EQ(run.status, pair.status) << pair.name << " " << format[0] << "\n" << run.err;
      expected += "$ varnic " + format[0] + "\n" + run.out;
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
