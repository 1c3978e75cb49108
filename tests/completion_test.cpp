// The shell completion scripts installed with the command: the bash one is run, the zsh and fish
// ones are only parsed, and only when those shells are installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/command.h"

namespace varnic::testing {
namespace {

const std::string kCompletions = std::string(VARNIC_SOURCE_DIR) + "/cli/completions/";

using ShellRun = CommandRun;

// Standard error joins standard output: a script's complaint is part of what it printed.
ShellRun Shell(const std::string& command) { return RunShell(command + " 2>&1"); }

bool Installed(const std::string& shell) {
  return Shell("command -v " + shell + " > /dev/null").status == 0;
}

// What bash's completion offers for `words`, the last one being completed, one per line, run in a
// directory holding only `a.cfg` and `sub/`.
std::vector<std::string> Complete(const std::vector<std::string>& words) {
  const CTempDir dir;
  dir.Write("a.cfg", "");
  Shell("mkdir " + Quote(dir.File("sub")));
  std::string script = "cd " + Quote(dir.File("")) + " && source " +
                       Quote(kCompletions + "varnic.bash") + " && COMP_WORDS=(";
  for (const auto& word : words) script.append(" ").append(Quote(word));
  script += " ) && COMP_CWORD=" + std::to_string(words.size() - 1) +
            " && { _varnic; printf '%s\\n' \"${COMPREPLY[@]}\"; }";
  const ShellRun run = Shell("bash --norc --noprofile -c " + Quote(script));
  EXPECT_EQ(run.status, 0) << run.out;
  std::vector<std::string> offered;
  std::size_t start = 0;
  for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
    if (end > start) offered.push_back(run.out.substr(start, end - start));
  }
  return offered;
}

using Words = std::vector<std::string>;

TEST(BashCompletion, TheScriptParses) {
  const ShellRun run = Shell("bash -n " + Quote(kCompletions + "varnic.bash"));
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST(BashCompletion, OffersSubcommandsOptionsValuesAndFiles) {
  struct {
    Words words;
    Words offered;
  } const cases[] = {
      {{"varnic", "compare", "--for"}, {"--format"}},
      {{"varnic", "compare", "--format", ""},
       {"side", "changes", "marked", "json", "brief", "github", "remediation"}},
      {{"varnic", "compare", "--format", "=", "j"}, {"json"}},  // --format=j, as bash splits it
      {{"varnic", "audit", "--format", ""}, {"table", "json", "csv", "junit", "github"}},
      {{"varnic", "co"}, {"compare"}},
      {{"varnic", ""}, {"audit", "compare", "help", "history", "render", "a.cfg", "sub"}},
      {{"varnic", "help", ""}, {"audit", "compare", "history", "render"}},
      {{"varnic", "render", "--"}, {"--vars", "--device", "--against", "--help"}},
      {{"varnic", "audit", "--fix-dir", ""}, {"sub"}},
      {{"varnic", "compare", "a.cfg", "a.cfg", "--vars", ""}, {"a.cfg", "sub"}},
      {{"varnic", "help", "audit", ""}, {}},
      {{"varnic", "history", "--db", "h.db", ""}, {"runs", "prune"}},
      {{"varnic", "history", "--format", ""}, {"table", "json", "csv"}},
      {{"varnic", "audit", "--d"}, {"--db"}},
      {{"varnic", "compare", "--color", ""}, {"always", "auto", "never"}},
      {{"varnic", "compare", "--type1", "s"}, {"single-band"}},
      {{"varnic", "audit", "--target-type", "d"}, {"dual-band"}},
      {{"varnic", "compare", "--types", ""}, {"auto"}},
      {{"varnic", "compare", "--sh"}, {"--show-secrets"}},
      {{"varnic", "compare", "--no"}, {"--no-pager"}},
      {{"varnic", "audit", "--no"}, {"--no-progress"}},
      {{"varnic", "audit", "--save"}, {"--save-dir"}},
      {{"varnic", "audit", "-j", "4", "--me"}, {"--merge"}},
      {{"varnic", "audit", "--save-dir", ""}, {"sub"}},
      {{"varnic", "compare", "a.cfg", ""}, {"a.cfg", "sub"}},
      {{"varnic", "compare", "a.cfg", "a.cfg", "--save", "x", ""}, {"a.cfg", "sub"}},
      {{"varnic", "compare", "-W", ""}, {}},
      // An implicit compare: FILE1 first, then compare's options and their values.
      {{"varnic", "a.cfg", "--fo"}, {"--format"}},
      {{"varnic", "a.cfg", "--format", "s"}, {"side"}},
      {{"varnic", "--format", "json", "a"}, {"a.cfg"}},
      {{"varnic", "compare", "--", "-"}, {}},
  };
  for (const auto& c : cases) {
    std::string typed;
    for (const auto& word : c.words) typed.append(word).append(" ");
    Words offered = Complete(c.words);
    Words expected = c.offered;
    std::sort(offered.begin(), offered.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(offered, expected) << typed;
  }
}

TEST(ZshCompletion, TheScriptParses) {
  if (!Installed("zsh")) GTEST_SKIP() << "zsh is not installed";
  const ShellRun run = Shell("zsh -n " + Quote(kCompletions + "_varnic"));
  EXPECT_EQ(run.status, 0) << run.out;
}

TEST(FishCompletion, TheScriptParses) {
  if (!Installed("fish")) GTEST_SKIP() << "fish is not installed";
  const ShellRun run = Shell("fish --no-execute " + Quote(kCompletions + "varnic.fish"));
  EXPECT_EQ(run.status, 0) << run.out;
}

}  // namespace
}  // namespace varnic::testing
