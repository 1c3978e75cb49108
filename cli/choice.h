#ifndef VARNIC_CLI_CHOICE_H_
#define VARNIC_CLI_CHOICE_H_

#include <cctype>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>

#include "report/terminal_text.h"

namespace varnic::cli {

inline constexpr const char* kUsageHint = "Run 'varnic --help' for usage.\n";

// Maps an option's word (in any letter case) to its value, or says which words there are, then
// `hint` (a subcommand names its own help).
template <typename Value>
bool Choose(const std::string& word, const char* option,
            std::initializer_list<std::pair<const char*, Value>> choices, Value& value,
            std::ostream& err, const char* hint = kUsageHint) {
  std::string lower = word;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string names;
  for (const auto& [name, choice] : choices) {
    if (lower == name) {
      value = choice;
      return true;
    }
    names += names.empty() ? name : std::string(", ") + name;
  }
  err << "varnic: " << option << ": '" << report::SafeText(word) << "' is not one of " << names
      << "\n"
      << hint;
  return false;
}

}  // namespace varnic::cli

#endif  // VARNIC_CLI_CHOICE_H_
