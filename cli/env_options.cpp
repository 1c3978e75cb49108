#include "cli/env_options.h"

#include <algorithm>

namespace varnic::cli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

bool SplitOptions(std::string_view text, std::vector<std::string>& words, std::string& error) {
  std::vector<std::string> found;
  std::string word;
  bool inWord = false;  // a quoted empty string is a word too, so emptiness cannot tell
  std::size_t i = 0;
  const auto end = [&] {
    if (inWord) found.push_back(std::move(word));
    word.clear();
    inWord = false;
  };
  while (i < text.size()) {
    const char c = text[i++];
    if (IsBlank(c)) {
      end();
    } else if (c == '\\') {
      if (i == text.size()) {  // nothing left to escape
        word += c;
        inWord = true;
      } else if (text[i] == '\n') {  // a continued line joins its neighbours
        ++i;
      } else {
        word += text[i++];
        inWord = true;
      }
    } else if (c == '\'') {
      const std::size_t close = text.find('\'', i);
      if (close == std::string_view::npos) {
        error = "VARNIC_OPTIONS: unclosed quote";
        return false;
      }
      word.append(text.substr(i, close - i));
      inWord = true;
      i = close + 1;
    } else if (c == '"') {
      inWord = true;
      for (;;) {
        if (i == text.size()) {
          error = "VARNIC_OPTIONS: unclosed quote";
          return false;
        }
        const char q = text[i++];
        if (q == '"') break;
        if (q == '\\' && i < text.size()) {
          const char next = text[i];
          if (next == '\n') {
            ++i;
            continue;
          }
          if (next == '"' || next == '\\' || next == '$' || next == '`') {
            word += next;
            ++i;
            continue;
          }
        }
        word += q;
      }
    } else {
      word += c;
      inWord = true;
    }
  }
  end();
  words.insert(words.end(), std::make_move_iterator(found.begin()),
               std::make_move_iterator(found.end()));
  return true;
}

std::vector<std::string> InsertEnvironmentOptions(const std::vector<std::string>& args,
                                                  const std::vector<std::string>& words,
                                                  std::span<const std::string_view> subcommands) {
  if (args.size() < 2 || words.empty()) return args;
  const bool named =
      std::find(subcommands.begin(), subcommands.end(), args[1]) != subcommands.end();
  const auto at = args.begin() + (named ? 2 : 1);
  std::vector<std::string> result(args.begin(), at);
  result.insert(result.end(), words.begin(), words.end());
  result.insert(result.end(), at, args.end());
  return result;
}

}  // namespace varnic::cli
