#ifndef VARNIC_CLI_USAGE_ERRORS_H_
#define VARNIC_CLI_USAGE_ERRORS_H_

#include <string>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace varnic::cli {

// What the command says when the parser refuses the command line: which option or argument,
// and what was expected, in the command's words rather than the parser's, with a hint at the
// help that lists the options of the subcommand being parsed. `app` is the whole command line's
// parser. Names and values are escaped for the terminal.
std::string UsageErrorMessage(const CLI::ParseError& error, const CLI::App& app);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_USAGE_ERRORS_H_
