#include "audit/merge.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <set>

namespace varnic::audit {
namespace {

using nlohmann::json;

CDeviceResult DeviceFrom(const json& row) {
  CDeviceResult d;
  d.path = row.at("path").get<std::string>();
  d.baseline = row.at("baseline").get<std::string>();
  const std::string status = row.at("status").get<std::string>();
  if (status == "error") {
    d.error = row.at("error").get<std::string>();
    // A row must stay an error row: an empty reason would read as a clean device.
    if (d.error.empty()) d.error = "error";
  } else if (status != "drifted" && status != "clean") {
    throw std::invalid_argument("unknown device status '" + status + "'");
  }
  d.drifted = status == "drifted";
  d.baselineType = row.at("baseline_type").get<std::int32_t>();
  d.deviceType = row.at("device_type").get<std::int32_t>();
  d.differences = row.at("differences").get<std::size_t>();
  d.onlyInBaseline = row.at("only_in_baseline").get<std::size_t>();
  d.onlyInDevice = row.at("only_in_device").get<std::size_t>();
  d.hidden = row.at("hidden_differences").get<std::size_t>();
  d.ignored = row.at("ignored").get<std::size_t>();
  d.driftOmitted = row.at("drift_omitted").get<std::size_t>();
  for (const json& item : row.at("drift")) {
    CDrift drift;
    drift.section = item.at("section").get<std::string>();
    drift.key = item.at("key").get<std::string>();
    if (!DriftKindFromName(item.at("kind").get<std::string>(), drift.kind)) {
      throw std::invalid_argument("unknown drift kind");
    }
    drift.baseline = item.at("baseline").get<std::string>();
    drift.device = item.at("device").get<std::string>();
    d.drift.push_back(std::move(drift));
  }
  return d;
}

std::optional<std::string> OptionalText(const json& value) {
  if (value.is_null()) return std::nullopt;
  return value.get<std::string>();
}

CRunOptions OptionsFrom(const json& o) {
  CRunOptions options;
  options.baseline = o.at("baseline").get<std::string>();
  options.baselineMap = OptionalText(o.at("baseline_map"));
  options.targets = o.at("inventory").at("targets").get<std::vector<std::string>>();
  options.glob = o.at("inventory").at("glob").get<std::string>();
  options.ignores = o.at("ignores").get<std::vector<std::string>>();
  options.ignoreFile = OptionalText(o.at("ignore_file"));
  options.strict = o.at("strict").get<bool>();
  options.baselineType = o.at("types").at("baseline").get<std::int32_t>();
  options.targetType = o.at("types").at("target").get<std::int32_t>();
  options.autoTypes = o.at("types").at("auto").get<bool>();
  options.showSecrets = o.at("show_secrets").get<bool>();
  return options;
}

// A document from before these members were written has none of them: kept as unknown.
CRunInfo RunInfoFrom(const json& document) {
  CRunInfo run;
  if (const auto at = document.find("generated_at"); at != document.end()) {
    run.generatedAt = at->get<std::string>();
  }
  if (const auto id = document.find("run_id"); id != document.end() && !id->is_null()) {
    run.runId = id->get<std::int64_t>();
  }
  if (const auto options = document.find("options");
      options != document.end() && !options->is_null()) {
    run.options = OptionsFrom(*options);
  }
  return run;
}

}  // namespace

bool MergeAuditJson(std::string_view text, CMergedAudits& merged, std::string& error) {
  // Parsed whole before anything is added, so a bad document leaves `merged` as it was.
  std::vector<CDeviceResult> rows;
  std::size_t targets = 0;
  std::size_t duplicates = 0;
  bool interrupted = false;
  bool strict = false;
  std::vector<CSettingCount> counts;
  std::vector<CRunInfo> shards;
  try {
    const json document = json::parse(text);
    if (document.at("kind") != "audit" || document.at("schema_version") != 1) {
      error = "not a varnic audit summary (schema_version 1)";
      return false;
    }
    const json& totals = document.at("totals");
    targets = totals.at("targets").get<std::size_t>();
    duplicates = totals.at("duplicates").get<std::size_t>();
    interrupted = document.at("state") == "interrupted";
    strict = document.at("mode") == "strict";
    for (const json& row : document.at("devices")) rows.push_back(DeviceFrom(row));
    if (const auto inner = document.find("shards"); inner != document.end()) {
      for (const json& shard : *inner) shards.push_back(RunInfoFrom(shard));
    } else {
      shards.push_back(RunInfoFrom(document));
    }
    for (const json& count : document.at("most_drifted")) {
      counts.push_back({count.at("section").get<std::string>(), count.at("key").get<std::string>(),
                        count.at("devices").get<std::size_t>()});
    }
  } catch (const json::exception& e) {
    error = e.what();
    return false;
  } catch (const std::invalid_argument& e) {
    error = e.what();
    return false;
  }
  merged.shards.insert(merged.shards.end(), shards.begin(), shards.end());
  merged.targets += targets;
  merged.duplicates += duplicates;
  merged.interrupted = merged.interrupted || interrupted;
  merged.strict = merged.strict || strict;
  for (const CSettingCount& count : counts)
    merged.tally.Add(count.section, count.key, count.devices);
  for (CDeviceResult& d : rows) {
    if (merged.paths.insert(d.path).second) {
      merged.devices.push_back(std::move(d));
    } else {
      ++merged.duplicates;
      if (merged.targets > 0) --merged.targets;
    }
  }
  return true;
}

}  // namespace varnic::audit
