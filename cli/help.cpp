#include "cli/help.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/choice.h"
#include "cli/compare_command.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

constexpr const char* kProgram = "varnic";

// The subcommands' column in the overview; their descriptions line up after it.
constexpr std::size_t kNameWidth = 10;

std::string SubcommandLine(const std::string& name, const std::string& description) {
  std::string line = "  " + name;
  line.resize(2 + kNameWidth, ' ');
  return line + description + "\n";
}

}  // namespace

std::string OverviewHelp(const CLI::App& app) {
  const CLI::App* compare = app.get_subcommand("compare");
  std::string text = app.get_description() + "\n\n";
  text += "Usage: varnic [compare] [OPTIONS] FILE1 FILE2\n";
  text += "       varnic audit [OPTIONS] BASELINE TARGET...\n";
  text += "       varnic history --db DB [runs | prune] [OPTIONS]\n";
  text += "       varnic render [OPTIONS] GOLDEN\n";
  text += "       varnic help [SUBCOMMAND]\n\nSubcommands:\n";
  for (const CLI::App* sub : app.get_subcommands({})) {
    text += SubcommandLine(sub->get_name(), sub->get_description());
  }
  text += SubcommandLine("help", "Show the help of a subcommand: 'varnic help audit'");
  text +=
      "\n'varnic FILE1 FILE2' is short for 'varnic compare FILE1 FILE2'. The options of "
      "compare:\n\n";
  return text + SubcommandHelp(*compare);
}

std::string SubcommandHelp(const CLI::App& subcommand) { return subcommand.help(kProgram); }

int RunHelp(const CLI::App& app, const std::vector<std::string>& words, std::ostream& out,
            std::ostream& err) {
  if (words.empty()) {
    out << OverviewHelp(app);
    return 0;
  }
  const CLI::App* chosen = nullptr;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (sub->get_name() == words[0]) chosen = sub;
  }
  if (chosen == nullptr || words.size() > 1) {
    err << "varnic help: "
        << (chosen == nullptr ? "'" + report::SafeText(words[0]) + "' is not a subcommand"
                              : std::string("give one subcommand"))
        << "; the subcommands are compare, audit, history and render\n"
        << kUsageHint;
    return kExitTrouble;
  }
  out << SubcommandHelp(*chosen);
  return 0;
}

}  // namespace varnic::cli
