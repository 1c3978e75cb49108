#ifndef VARNIC_CLI_ENV_OPTIONS_H_
#define VARNIC_CLI_ENV_OPTIONS_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Default options from $VARNIC_OPTIONS, as `LESS` or `GREP_OPTIONS` once were: split into words
// the way a POSIX shell would, then placed before what was typed so the command line wins.
namespace varnic::cli {

// Splits `text` into `words` (appended) as a POSIX shell splits a command line, without any
// expansion: blanks (space, tab, newline) separate words; '...' is literal; in "..." a
// backslash escapes only " \ $ ` and a newline (which it removes), and stays itself before
// anything else; outside quotes a backslash escapes the next byte (a newline it removes). ''
// and "" make an empty word. `$`, `*`, `~` are plain bytes. A backslash ending the text is kept.
// On an unclosed quote returns false with `error` = "VARNIC_OPTIONS: unclosed quote" and leaves
// `words` as it was.
bool SplitOptions(std::string_view text, std::vector<std::string>& words, std::string& error);

// The argument list with `words` inserted where a default belongs: right after the subcommand
// when args[1] is one of `subcommands`, otherwise right after args[0] (the implicit compare of
// `varnic FILE1 FILE2`). What was typed thus comes later, and for an option given once (last
// one wins) it overrides the default; a repeatable option gets the defaults' values first.
// With no arguments at all (args.size() < 2) nothing is inserted, so a bare `varnic` still only
// shows its usage. args[0] is the program name, as argv has it.
std::vector<std::string> InsertEnvironmentOptions(const std::vector<std::string>& args,
                                                  const std::vector<std::string>& words,
                                                  std::span<const std::string_view> subcommands);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_ENV_OPTIONS_H_
