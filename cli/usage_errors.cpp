#include "cli/usage_errors.h"

#include <CLI/CLI.hpp>
#include <regex>
#include <vector>

#include "cli/exact_arguments.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

// The parser's texts quote what was typed with the bracket marks still on: shown as typed.
std::string Quoted(const std::string& word) {
  return "'" + report::SafeText(WithoutMarks(word)) + "'";
}

// The parser's texts these are taken from: "X is required", "Could not convert: X = V",
// "X: N required TYPE missing", whose TYPE names what is expected.
std::string Reworded(const CLI::ParseError& error, const CLI::App& app, const CLI::App* sub) {
  const std::string text = error.what();
  std::smatch m;
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    std::string message;
    for (const std::string& word : app.remaining(true)) {
      if (!message.empty()) message += "; ";
      message += (word.size() > 1 && word[0] == '-' ? "unknown option " : "unexpected argument ") +
                 Quoted(word);
    }
    if (!message.empty()) return message;
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && sub == nullptr) {
    return "nothing to do: give two backups to compare, FILE1 and FILE2, or a subcommand "
           "(compare, audit, help)";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr &&
      std::regex_match(text, m, std::regex("(\\S+) is required"))) {
    return sub->get_name() == "compare"
               ? "compare takes two backups, FILE1 and FILE2: " + std::string(m[1]) + " is missing"
               : std::string(m[1]) + " is missing";
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr &&
      std::regex_match(text, m, std::regex("Could not convert: (\\S+) = (.*)"))) {
    const CLI::Option* option = sub != nullptr ? sub->get_option_no_throw(m[1]) : nullptr;
    // A flag's value would be read as true or false; the flags take none.
    if (option != nullptr && option->get_expected_max() == 0) {
      return std::string(m[1]) + " takes no value, not " + Quoted(m[2]);
    }
    return std::string(m[1]) + ": " + Quoted(m[2]) + " is not a whole number of 0 or more";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr &&
      std::regex_match(text, m, std::regex("(\\S+): (\\d+) required (.*) missing"))) {
    return std::string(m[1]) + " needs a value: " + std::string(m[3]);
  }
  return report::SafeText(WithoutMarks(text));
}

}  // namespace

std::string UsageErrorMessage(const CLI::ParseError& error, const CLI::App& app) {
  const std::vector<const CLI::App*> parsed =
      app.get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
  const CLI::App* sub = parsed.empty() ? nullptr : parsed.front();
  // Compare's options are those `varnic --help` shows.
  const bool audit = sub != nullptr && sub->get_name() == "audit";
  return "varnic: " + Reworded(error, app, sub) + "\nRun '" + (audit ? "varnic audit" : "varnic") +
         " --help' for usage.\n";
}

}  // namespace varnic::cli
