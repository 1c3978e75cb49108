#ifndef VARNIC_CLI_COMPARE_CLI_H_
#define VARNIC_CLI_COMPARE_CLI_H_

#include <CLI/CLI.hpp>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "cli/compare_command.h"

namespace varnic::cli {

// The compare subcommand's arguments as the parser fills them, before they are checked.
struct CCompareArgs {
  CCompareOptions options;
  std::vector<std::string> save;
  std::string html;
  std::string width;
  std::string type1;
  std::string type2;
  std::string types;
  std::string format;
  std::string color;
  std::string vars;
  std::string device;
  std::string writeFixed;
  bool noPager = false;
};

// What --help says after the options of compare.
extern const char* const kCompareFooter;

// Adds the compare subcommand and its options to `app`, filling `args` when it parses.
CLI::App* AddCompareCommand(CLI::App& app, CCompareArgs& args);

// Turns the words of `args` into options; false, with the reason on `err`, when one is no
// choice the option has.
bool FinishCompareArgs(CCompareArgs& args, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_COMPARE_CLI_H_
