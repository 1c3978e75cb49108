#ifndef VARNIC_CLI_HISTORY_COMMAND_LINE_H_
#define VARNIC_CLI_HISTORY_COMMAND_LINE_H_

#include <iosfwd>
#include <string>

#include "cli/history_command.h"

namespace CLI {
class App;
}  // namespace CLI

namespace varnic::cli {

// The `history` subcommand, with `runs` and `prune` below it; `app` must outlive this.
class CHistoryCommandLine {
 public:
  explicit CHistoryCommandLine(CLI::App& app);

  bool Chosen() const;
  int Run(std::ostream& out, std::ostream& err);

 private:
  CLI::App* app_ = nullptr;
  CLI::App* prune_ = nullptr;
  CHistoryOptions options_;
  std::string format_;
};

}  // namespace varnic::cli

#endif  // VARNIC_CLI_HISTORY_COMMAND_LINE_H_
