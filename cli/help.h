#ifndef VARNIC_CLI_HELP_H_
#define VARNIC_CLI_HELP_H_

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}  // namespace CLI

namespace varnic::cli {

// The command's help. `app` is the whole command line's parser with its subcommands added; every
// usage line names the program "varnic", whatever path it was run by.

// `varnic --help`: the subcommands, a line each, then the help of compare, the default.
std::string OverviewHelp(const CLI::App& app);

// `varnic SUBCOMMAND --help`, and `varnic help SUBCOMMAND`: the same text.
std::string SubcommandHelp(const CLI::App& subcommand);

// `varnic help [SUBCOMMAND]`, given the words after "help": prints the help asked for and returns
// 0, or says what is wrong and returns 2.
int RunHelp(const CLI::App& app, const std::vector<std::string>& words, std::ostream& out,
            std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_HELP_H_
