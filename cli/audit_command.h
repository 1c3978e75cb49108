#ifndef VARNIC_CLI_AUDIT_COMMAND_H_
#define VARNIC_CLI_AUDIT_COMMAND_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace varnic::cli {

enum class AuditFormat { kTable, kJson, kCsv, kJunit, kGithub };

struct CAuditOptions {
  // BASELINE then TARGET...; with `merge`, audit summaries in JSON instead.
  std::vector<std::string> inputs;
  std::string glob = "*.cfg";
  std::optional<std::string> baselineType;  // as typed: a number or a role name
  std::optional<std::string> targetType;
  bool autoTypes = false;
  std::optional<std::string> baselineMap;
  std::optional<std::string> expect;  // the devices the fleet must hold, one a line
  std::vector<std::string> ignores;
  std::optional<std::string> ignoreFile;
  bool strict = false;
  unsigned jobs = 0;  // 0: one per core
  bool quiet = false;
  AuditFormat format = AuditFormat::kTable;
  std::optional<std::string> html;
  std::optional<std::string> saveDir;
  bool merge = false;
  bool noProgress = false;
  bool showSecrets = false;
  std::optional<std::string> db;      // a SQLite file or a postgresql:// address: record the run
  bool golden = false;                // the baselines are golden templates (implied by vars)
  std::optional<std::string> vars;    // their variables per device
  std::optional<std::string> fixDir;  // a fixed backup of every drifted device goes here
};

// Exit status of an audit stopped by a signal: 128 + the signal, as a shell reports it (130 for
// Ctrl-C). The summary printed is that of the devices audited so far.
inline constexpr int kExitInterruptedBase = 128;

// Audits every target against its baseline, or merges audit summaries, and prints the summary.
// Returns 2 when a target or an output failed, else 1 when any device drifted, else 0.
int RunAudit(const CAuditOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_AUDIT_COMMAND_H_
