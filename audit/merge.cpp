#include "audit/merge.h"

#include <nlohmann/json.hpp>
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

}  // namespace

bool MergeAuditJson(std::string_view text, CMergedAudits& merged, std::string& error) {
  // Parsed whole before anything is added, so a bad document leaves `merged` as it was.
  std::vector<CDeviceResult> rows;
  std::size_t targets = 0;
  std::size_t duplicates = 0;
  bool interrupted = false;
  bool strict = false;
  std::vector<CSettingCount> drifted;
  std::vector<CSettingCount> hidden;
  const auto readCounts = [](const json& list, std::vector<CSettingCount>& counts) {
    for (const json& count : list) {
      counts.push_back({count.at("section").get<std::string>(), count.at("key").get<std::string>(),
                        count.at("devices").get<std::size_t>()});
    }
  };
  try {
    const json document = json::parse(text);
    if (document.at("kind") != "audit") {
      error = "not an audit summary";
      return false;
    }
    if (document.at("schema_version") != kAuditSchemaVersion) {
      // Version 1 counted hidden differences as drift: its counts cannot be split.
      error = "schema_version " + document.at("schema_version").dump() + ", not " +
              std::to_string(kAuditSchemaVersion) + "; audit that shard again with this varnic";
      return false;
    }
    const json& totals = document.at("totals");
    targets = totals.at("targets").get<std::size_t>();
    duplicates = totals.at("duplicates").get<std::size_t>();
    interrupted = document.at("state") == "interrupted";
    strict = document.at("mode") == "strict";
    for (const json& row : document.at("devices")) rows.push_back(DeviceFrom(row));
    readCounts(document.at("most_drifted"), drifted);
    readCounts(document.at("most_hidden"), hidden);
  } catch (const json::exception& e) {
    error = std::string("not an audit summary: ") + e.what();
    return false;
  } catch (const std::invalid_argument& e) {
    error = std::string("not an audit summary: ") + e.what();
    return false;
  }
  merged.targets += targets;
  merged.duplicates += duplicates;
  merged.interrupted = merged.interrupted || interrupted;
  merged.strict = merged.strict || strict;
  for (const CSettingCount& count : drifted) {
    merged.tally.Add(Tally::kDrifted, count.section, count.key, count.devices);
  }
  for (const CSettingCount& count : hidden) {
    merged.tally.Add(Tally::kHidden, count.section, count.key, count.devices);
  }
  for (CDeviceResult& d : rows) {
    if (merged.paths.insert(d.path).second) {
      merged.devices.push_back(std::move(d));
    } else {
      // This document's counts include the row dropped here: a device counts once.
      merged.tally.RemoveDevice(d);
      if (d.driftOmitted > 0) ++merged.inexactDuplicates;
      ++merged.duplicates;
      if (merged.targets > 0) --merged.targets;
    }
  }
  return true;
}

}  // namespace varnic::audit
