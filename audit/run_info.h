#ifndef VARNIC_AUDIT_RUN_INFO_H_
#define VARNIC_AUDIT_RUN_INFO_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/json_writer.h"

namespace varnic::audit {

// How an audit was run, as its JSON and its history record keep it.
struct CRunOptions {
  std::string baseline;
  std::optional<std::string> baselineMap;
  std::vector<std::string> targets;  // the inventory: TARGET arguments as given
  std::string glob;
  std::vector<std::string> ignores;
  std::optional<std::string> ignoreFile;
  bool strict = false;
  std::int32_t baselineType = 0;
  std::int32_t targetType = 0;
  bool autoTypes = false;
  bool showSecrets = false;
};

// When and how a summary was made. A merged summary has no options of its own: each shard's
// are in `shards`.
struct CRunInfo {
  std::string generatedAt;            // "2026-12-08T21:55:03Z"; empty when not known
  std::optional<std::int64_t> runId;  // the run in the history database, when one was used
  std::optional<CRunOptions> options;
  std::vector<CRunInfo> shards;
};

// Seconds since 1970 now, or SOURCE_DATE_EPOCH when set, so that runs can be replayed.
std::int64_t NowSeconds();
// "2026-12-08T21:55:03Z" for a time in seconds since 1970.
std::string UtcText(std::int64_t seconds);
// UtcText(NowSeconds()).
std::string GeneratedAt();

// The options as one JSON object.
void WriteRunOptions(const CRunOptions& options, report::CJsonWriter& json);
std::string RunOptionsJson(const CRunOptions& options);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_RUN_INFO_H_
