#ifndef VARNIC_CLI_AUDIT_COMMAND_LINE_H_
#define VARNIC_CLI_AUDIT_COMMAND_LINE_H_

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/audit_command.h"

namespace CLI {
class App;
}  // namespace CLI

namespace varnic::cli {

// The `audit` subcommand on the command line's parser: its options land here while `app`
// parses; `app` must outlive this.
class CAuditCommandLine {
 public:
  explicit CAuditCommandLine(CLI::App& app);

  // True when the command line chose `audit`.
  bool Chosen() const;
  // Checks what the parser could not and runs the audit; returns the exit status.
  int Run(std::ostream& out, std::ostream& err);

 private:
  CLI::App* app_ = nullptr;
  CAuditOptions options_;
  std::string baseline_;
  std::vector<std::string> targets_;
  std::string format_;
  std::string types_;
};

}  // namespace varnic::cli

#endif  // VARNIC_CLI_AUDIT_COMMAND_LINE_H_
