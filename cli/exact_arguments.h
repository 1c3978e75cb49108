#ifndef VARNIC_CLI_EXACT_ARGUMENTS_H_
#define VARNIC_CLI_EXACT_ARGUMENTS_H_

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// The argument parser reads a value in brackets given to an option that takes several values
// ("--ignore '[System]'", a TARGET "[a,b]") as a list and splits it. Every argument is meant as
// typed: ProtectBrackets marks each argument that ends in "]" before parsing so that the parser
// does not see a list, and TakeArgumentsAsGiven makes every option drop the mark again.
namespace varnic::cli {

void ProtectBrackets(std::vector<std::string>& args);
// On every option of `app` and its subcommands; call once all options are added.
void TakeArgumentsAsGiven(CLI::App& app);
// A parser message without the marks, as the person typed the arguments.
std::string WithoutMarks(std::string text);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_EXACT_ARGUMENTS_H_
