#ifndef VARNIC_CLI_HISTORY_COMMAND_H_
#define VARNIC_CLI_HISTORY_COMMAND_H_

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace varnic::cli {

enum class HistoryFormat { kTable, kJson, kCsv };

struct CHistoryOptions {
  std::string db;  // a SQLite file or a postgresql:// address
  bool prune = false;
  std::optional<std::string> since;   // a run id or a date
  std::optional<std::string> device;  // a device's name
  HistoryFormat format = HistoryFormat::kTable;
  std::optional<std::string> html;
  std::optional<std::int64_t> keep;       // prune: the newest runs kept
  std::optional<std::int64_t> olderThan;  // prune: days
};

// Shows a history database (the runs, drift since a run or date, a device's timeline) or prunes
// it. Returns 0, or 2 with the reason on `err`.
int RunHistory(const CHistoryOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_HISTORY_COMMAND_H_
