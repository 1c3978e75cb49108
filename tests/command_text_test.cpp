// What the command says in its own words: its help, its messages for a bad command line, and the
// side view at the widths terminals have. The help texts are checked in under tests/golden/help/;
// VARNIC_UPDATE_GOLDEN=1 rewrites them after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CommandRun;

const std::string kExamples = VARNIC_SOURCE_DIR "/examples/";

CommandRun Varnic(const std::vector<std::string>& args, const std::string& before = "") {
  return testing::RunVarnic(args, before);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Display columns: UTF-8 continuation bytes take none.
std::size_t Columns(const std::string& line) {
  std::size_t n = 0;
  for (const char c : line) n += (static_cast<unsigned char>(c) & 0xc0U) != 0x80U ? 1 : 0;
  return n;
}

TEST(CommandHelp, EveryWayOfAskingGivesTheSameGoldenText) {
  const struct {
    const char* golden;
    std::vector<std::vector<std::string>> asks;
  } cases[] = {
      {"overview.txt", {{"--help"}, {"-h"}, {"help"}, {"--help", "--frob"}}},
      {"compare.txt", {{"compare", "--help"}, {"help", "compare"}, {"a.cfg", "b.cfg", "--help"}}},
      {"audit.txt", {{"audit", "--help"}, {"help", "audit"}, {"audit", "x.cfg", "-h"}}},
  };
  for (const auto& c : cases) {
    const std::string file = VARNIC_SOURCE_DIR "/tests/golden/help/" + std::string(c.golden);
    // A default meant for compare must not turn a request for help into an unknown option.
    const CommandRun first = Varnic(c.asks[0], "VARNIC_OPTIONS='--color=never' ");
    EXPECT_EQ(first.status, 0) << c.golden << first.err;
    if (std::getenv("VARNIC_UPDATE_GOLDEN") != nullptr) {
      std::ofstream(file, std::ios::binary) << first.out;
    } else {
      EXPECT_EQ(first.out, testing::ReadAll(file)) << file;
    }
    for (const auto& ask : c.asks) {
      const CommandRun run = Varnic(ask);
      EXPECT_EQ(run.status, 0) << ::testing::PrintToString(ask) << run.err;
      EXPECT_EQ(run.out, first.out) << ::testing::PrintToString(ask);
      // The program is "varnic" in every usage line, never the path it was run by.
      EXPECT_EQ(run.out.find(VARNIC_BINARY), std::string::npos);
      EXPECT_EQ(run.out.find(" TEXT"), std::string::npos) << "a metavar that says nothing";
    }
  }
  const std::string overview = Varnic({"--help"}).out;
  for (const char* line : {"\n  compare   ", "\n  audit     ", "\n  help      ",
                           "Usage: varnic compare [OPTIONS] FILE1 FILE2"}) {
    EXPECT_NE(overview.find(line), std::string::npos) << line;
  }
}

TEST(CommandHelp, BadCommandLinesAreToldInTheCommandsWords) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{},
       "varnic: nothing to do: give two backups to compare, FILE1 and FILE2, or a subcommand "
       "(compare, audit, help)\nRun 'varnic --help' for usage.\n"},
      {{"compare", "a.cfg"},
       "varnic: compare takes two backups, FILE1 and FILE2: FILE2 is missing\n"
       "Run 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "--frob"},
       "varnic: unknown option '--frob'\nRun 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "c\x1b.cfg"},
       "varnic: unexpected argument 'c\\x1b.cfg'\nRun 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "--format"},
       "varnic: --format needs a value: FORMAT\nRun 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "--strict=maybe"},
       "varnic: --strict takes no value, not 'maybe'\nRun 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "-W", "19"},
       "varnic: --width: '19' is not a number of columns from 20 to 10000\n"
       "Run 'varnic --help' for usage.\n"},
      {{"a.cfg", "b.cfg", "-W", "80x"},
       "varnic: --width: '80x' is not a number of columns from 20 to 10000\n"
       "Run 'varnic --help' for usage.\n"},
      {{"audit", "a.cfg", "b.cfg", "-j", "two"},
       "varnic: --jobs: 'two' is not a whole number of 0 or more\n"
       "Run 'varnic audit --help' for usage.\n"},
      {{"audit", "a.cfg", "b.cfg", "--types", "guess"},
       "varnic: --types: 'guess' is not auto (give the types with --baseline-type and "
       "--target-type)\nRun 'varnic audit --help' for usage.\n"},
      {{"audit", "a.cfg", "--frob"},
       "varnic: unknown option '--frob'\nRun 'varnic audit --help' for usage.\n"},
      {{"help", "frob"},
       "varnic help: 'frob' is not a subcommand; the subcommands are compare, audit, history and "
       "render\n"
       "Run 'varnic --help' for usage.\n"},
  };
  for (const auto& c : cases) {
    const CommandRun run = Varnic(c.args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.err, c.err) << ::testing::PrintToString(c.args);
    EXPECT_EQ(run.out, "");
  }
}

// The side view of the examples, which differ, and of a file against itself, at the widths of
// narrow and wide terminals, given by -W and by COLUMNS.
TEST(CommandSideView, FitsEveryWidthAndEndsWithAVerdict) {
  testing::CTempDir dir;
  // Long names: the header must shorten them in the middle, keeping both ends.
  std::filesystem::create_directories(dir.File("site-north-building-7"));
  const std::string left = dir.Write("site-north-building-7/access-point-before.cfg",
                                     testing::ReadAll(kExamples + "ap-before.cfg"));
  const std::string right = dir.Write("site-north-building-7/access-point-after.cfg",
                                      testing::ReadAll(kExamples + "ap-after.cfg"));
  const struct {
    std::string second;
    const char* verdict;
  } pairs[] = {
      {right, "The backups differ in 10 compared settings."},
      {left, "No differences in the compared settings: the two backups are the same."},
  };
  for (const auto& pair : pairs) {
    for (const std::size_t width : {40U, 70U, 80U, 200U}) {
      const std::string w = std::to_string(width);
      for (const bool fromEnvironment : {false, true}) {
        std::vector<std::string> args = {"compare", left, pair.second, "--format=side"};
        if (!fromEnvironment) args.insert(args.end(), {"-W", w});
        const CommandRun run = Varnic(args, fromEnvironment ? "COLUMNS=" + w + " " : "");
        const std::string where = w + (fromEnvironment ? " (COLUMNS)" : " (-W)");
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_GT(lines.size(), 10U) << where << run.err;
        EXPECT_EQ(lines.back(), pair.verdict) << where;
        // Every line of the header, the columns and the counts fits; the prose after the
        // counts (the settings not compared, the verdict) is free to wrap.
        std::size_t tableEnd = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
          if (lines[i].starts_with("total ")) tableEnd = i + 1;
        }
        ASSERT_GT(tableEnd, 0U) << where;
        for (std::size_t i = 0; i < tableEnd; ++i) {
          EXPECT_LE(Columns(lines[i]), width) << where << ": " << lines[i];
        }
        // A name too long for its column keeps its start and its end.
        const std::string& header = lines[0];
        if (width < 100) {
          EXPECT_TRUE(header.starts_with(dir.File("").substr(0, 4))) << where << ": " << header;
          EXPECT_NE(header.find("..."), std::string::npos) << where << ": " << header;
        }
        EXPECT_NE(header.find(width < 100 ? "ore.cfg" : "access-point-before.cfg"),
                  std::string::npos)
            << where << ": " << header;
      }
    }
  }
}

}  // namespace
}  // namespace varnic
