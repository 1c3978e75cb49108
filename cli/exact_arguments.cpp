#include "cli/exact_arguments.h"

#include <string_view>

namespace varnic::cli {
namespace {

// A control byte no one types at the end of an argument: the parser splits only a value that
// starts with "[" and ends with "]", and a marked value no longer ends so.
constexpr std::string_view kMark = "\x1f";

}  // namespace

void ProtectBrackets(std::vector<std::string>& args) {
  // The program's name and everything else alike: a name or a flag ending in "]" is no option
  // of ours either way, and the mark comes off every value.
  for (std::string& arg : args) {
    if (!arg.empty() && arg.back() == ']') arg += kMark;
  }
}

void TakeArgumentsAsGiven(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) {
    // First among the option's checks, so that they see the value as typed.
    option->transform([](std::string value) {
      if (value.ends_with(kMark)) value.resize(value.size() - kMark.size());
      return value;
    });
  }
  for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
    TakeArgumentsAsGiven(*command);
}

std::string WithoutMarks(std::string text) {
  for (std::size_t at = text.find(kMark); at != std::string::npos; at = text.find(kMark, at)) {
    text.erase(at, kMark.size());
  }
  return text;
}

}  // namespace varnic::cli
