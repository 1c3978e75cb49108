#include "base/output_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnic::base {
namespace {

using testing::CTempDir;

// One run's reads and writes, and the conflict expected: the output named and the other path,
// or none. Each spelling of one file must be caught, existing or not.
TEST(COutputPlan, SpellingsOfOneFileConflict) {
  CTempDir dir;
  const std::string in = dir.Write("in.cfg", "x");
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory_symlink("real", dir.File("alias"));
  std::filesystem::create_symlink("in.cfg", dir.File("in-link"));
  std::filesystem::create_hard_link(in, dir.File("in-hard"));
  std::filesystem::create_symlink("not-yet", dir.File("dangling"));
  struct Case {
    const char* name;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    std::optional<std::pair<std::string, std::string>> conflict;  // output, other
    bool withInput = false;
  };
  const std::string x = dir.File("x");
  const std::vector<Case> cases = {
      {"OutputIsInput", {in}, {in}, {{in, in}}, true},
      {"DotSpelling", {in}, {dir.File("./in.cfg")}, {{dir.File("./in.cfg"), in}}, true},
      {"DotDotSpelling",
       {in},
       {dir.File("real/../in.cfg")},
       {{dir.File("real/../in.cfg"), in}},
       true},
      {"LinkToInput", {in}, {dir.File("in-link")}, {{dir.File("in-link"), in}}, true},
      {"HardLinkToInput", {in}, {dir.File("in-hard")}, {{dir.File("in-hard"), in}}, true},
      {"MissingTwice", {}, {x, x}, {{x, x}}},
      {"MissingDotSpelling", {}, {x, dir.File("./x")}, {{dir.File("./x"), x}}},
      {"MissingThroughLinkedFolder",
       {},
       {dir.File("real/y"), dir.File("alias/y")},
       {{dir.File("alias/y"), dir.File("real/y")}}},
      {"MissingInMissingFolder",
       {},
       {dir.File("new/z"), dir.File("new/./z")},
       {{dir.File("new/./z"), dir.File("new/z")}}},
      {"DanglingLinkAndItsTarget",
       {},
       {dir.File("dangling"), dir.File("not-yet")},
       {{dir.File("not-yet"), dir.File("dangling")}}},
      {"DistinctFiles", {in}, {dir.File("a"), dir.File("b"), dir.File("real/a")}, std::nullopt},
      {"DeviceTwice", {"/dev/null"}, {"/dev/null", "/dev/null"}, std::nullopt},
      {"NoOutputs", {in, in}, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    COutputPlan plan;
    for (const std::string& path : c.inputs) plan.AddInput(path);
    for (const std::string& path : c.outputs) plan.AddOutput(path);
    const std::optional<COutputConflict> conflict = plan.Check();
    ASSERT_EQ(conflict.has_value(), c.conflict.has_value()) << c.name;
    if (!conflict) continue;
    EXPECT_EQ(conflict->output, c.conflict->first) << c.name;
    EXPECT_EQ(conflict->other, c.conflict->second) << c.name;
    EXPECT_EQ(conflict->otherIsInput, c.withInput) << c.name;
  }
}

// Outputs added a directory at a time are the files AddOutput names: an output added on its
// own, however spelled, conflicts with the one in the directory, which may not exist yet.
TEST(COutputPlan, OutputsInADirectoryConflictAsEachAlone) {
  CTempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  std::filesystem::create_directory_symlink("real", dir.File("alias"));
  std::filesystem::create_symlink("elsewhere", dir.File("dangling"));
  struct Case {
    const char* name;
    std::string directory;
    std::string other;  // an output added alone, after the directory's
    bool conflicts;
  };
  const std::vector<Case> cases = {
      {"MissingDirectory", dir.File("new"), dir.File("new/a"), true},
      {"MissingDirectoryOtherSpelling", dir.File("new/"), dir.File("real/../new/./b"), true},
      {"MissingUnderALinkedFolder", dir.File("alias/new"), dir.File("real/new/a"), true},
      {"MissingDirectoryOtherName", dir.File("new"), dir.File("new/c"), false},
      {"ExistingDirectory", dir.File("real"), dir.File("alias/b"), true},
      {"DanglingLinkAsTheDirectory", dir.File("dangling"), dir.File("dangling/./a"), true},
  };
  for (const Case& c : cases) {
    const std::filesystem::path folder(c.directory);
    const std::vector<std::string> paths = {(folder / "a").string(), (folder / "b").string()};
    COutputPlan plan;
    plan.AddOutputsIn(c.directory, paths);
    plan.AddOutput(c.other);
    const std::optional<COutputConflict> conflict = plan.Check();
    ASSERT_EQ(conflict.has_value(), c.conflicts) << c.name;
    if (conflict) {
      EXPECT_EQ(conflict->output, c.other) << c.name;
    }
    // A name twice in the directory is one file written twice.
    COutputPlan twice;
    twice.AddOutputsIn(c.directory, {paths[0], paths[0]});
    EXPECT_TRUE(twice.Check()) << c.name;
  }
}

// A pipe is written directly, as /dev/fd/N names it: never a conflict, even named twice.
TEST(COutputPlan, PipesAreWrittenDirectly) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string name = "/dev/fd/" + std::to_string(ends[1]);
  EXPECT_EQ(FileIdentity(name), "");
  COutputPlan plan;
  plan.AddOutput(name);
  plan.AddOutput(name);
  EXPECT_FALSE(plan.Check());
  ::close(ends[0]);
  ::close(ends[1]);
}

}  // namespace
}  // namespace varnic::base
