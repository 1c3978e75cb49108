#include "audit/merge.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <stdexcept>

namespace varnic::audit {
namespace {

using nlohmann::json;

// A document that is not the audit's own, told in the command's words: which field, what was
// expected, what was found. Never the JSON library's text.
class CShapeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr std::size_t kQuotedAtMost = 40;

// A text of the document as a message quotes it: whole when short, else only its length. A field
// may hold megabytes, and a refusal is one line.
std::string Quoted(const std::string& text) {
  return text.size() <= kQuotedAtMost ? "\"" + text + "\""
                                      : "a text of " + std::to_string(text.size()) + " bytes";
}

// What a value is, as a message shows it: its JSON kind, and a number or short text itself.
std::string Found(const json& value) {
  if (value.is_number() || value.is_boolean() || value.is_null()) return value.dump();
  if (value.is_string()) {
    const auto& text = value.get_ref<const std::string&>();
    return text.size() <= kQuotedAtMost ? "the text " + Quoted(text) : Quoted(text);
  }
  return value.is_array() ? "an array" : "an object";
}

[[noreturn]] void Wrong(const std::string& where, const char* expected, const json& value) {
  throw CShapeError("field '" + where + "': expected " + expected + ", found " + Found(value));
}

const json& Field(const json& object, const char* key, const std::string& where) {
  const std::string path = where.empty() ? key : where + "." + key;
  if (!object.is_object()) Wrong(where.empty() ? "(document)" : where, "an object", object);
  const auto it = object.find(key);
  if (it == object.end()) throw CShapeError("field '" + path + "' is missing");
  return *it;
}

std::string Path(const std::string& where, const char* key) {
  return where.empty() ? key : where + "." + key;
}

std::string Text(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_string()) Wrong(Path(where, key), "a text", value);
  return value.get<std::string>();
}

// The largest count taken: the largest whole number every JSON reader keeps exactly, far from
// where adding up the shards or writing the sum back could overflow.
constexpr std::uint64_t kMaxCount = (std::uint64_t{1} << 53U) - 1;

// A count: a whole number from 0 to kMaxCount. The parser keeps -3 as a signed number and
// 2^64+5 or 1.5 as floating point; none of them is a count.
std::size_t Count(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_number_unsigned() || value.get<std::uint64_t>() > kMaxCount) {
    Wrong(Path(where, key), "a count (a whole number from 0 to 2^53-1)", value);
  }
  return static_cast<std::size_t>(value.get<std::uint64_t>());
}

std::int32_t Type(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_number_integer() ||
      (value.is_number_unsigned() &&
       value.get<std::uint64_t>() > std::uint64_t{std::numeric_limits<std::int32_t>::max()}) ||
      (!value.is_number_unsigned() &&
       (value.get<std::int64_t>() < std::numeric_limits<std::int32_t>::min() ||
        value.get<std::int64_t>() > std::numeric_limits<std::int32_t>::max()))) {
    Wrong(Path(where, key), "a device type (a 32-bit whole number)", value);
  }
  return static_cast<std::int32_t>(value.get<std::int64_t>());
}

const json& Array(const json& object, const char* key, const std::string& where) {
  const json& value = Field(object, key, where);
  if (!value.is_array()) Wrong(Path(where, key), "an array", value);
  return value;
}

// A golden baseline's edits of one device, as WriteAuditJson writes them.
std::vector<CEdit> EditsFrom(const json& row, const std::string& where, std::size_t& omitted) {
  std::vector<CEdit> edits;
  const json& items = Array(row, "remediation", where);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string at = where + ".remediation[" + std::to_string(i) + "]";
    CEdit edit;
    edit.action = Text(items[i], "action", at);
    if (edit.action != "set" && edit.action != "add" && edit.action != "remove" &&
        edit.action != "manual") {
      throw CShapeError("field '" + at + ".action': expected set, add, remove or manual, found " +
                        Quoted(edit.action));
    }
    edit.section = Text(items[i], "section", at);
    edit.key = Text(items[i], "key", at);
    edit.value = Text(items[i], "value", at);
    if (!Field(items[i], "rule", at).is_null()) edit.rule = Text(items[i], "rule", at);
    edits.push_back(std::move(edit));
  }
  omitted = Count(row, "remediation_omitted", where);
  return edits;
}

CDeviceResult DeviceFrom(const json& row, const std::string& where) {
  CDeviceResult d;
  d.path = Text(row, "path", where);
  d.baseline = Text(row, "baseline", where);
  const std::string status = Text(row, "status", where);
  if (status == "error") {
    d.error = Text(row, "error", where);
    // A row must stay an error row: an empty reason would read as a clean device.
    if (d.error.empty()) d.error = "error";
  } else if (status != "drifted" && status != "clean") {
    throw CShapeError("field '" + where + ".status': expected error, drifted or clean, found " +
                      Quoted(status));
  }
  d.drifted = status == "drifted";
  d.baselineType = Type(row, "baseline_type", where);
  d.deviceType = Type(row, "device_type", where);
  d.differences = Count(row, "differences", where);
  d.onlyInBaseline = Count(row, "only_in_baseline", where);
  d.onlyInDevice = Count(row, "only_in_device", where);
  d.hidden = Count(row, "hidden_differences", where);
  d.ignored = Count(row, "ignored", where);
  d.driftOmitted = Count(row, "drift_omitted", where);
  const json& drift = Array(row, "drift", where);
  for (std::size_t i = 0; i < drift.size(); ++i) {
    const std::string at = where + ".drift[" + std::to_string(i) + "]";
    const json& item = drift[i];
    CDrift entry;
    entry.section = Text(item, "section", at);
    entry.key = Text(item, "key", at);
    const std::string kind = Text(item, "kind", at);
    if (!DriftKindFromName(kind, entry.kind)) {
      std::string message = "field '" + at;
      message.append(".kind': expected different, only_in_baseline, only_in_device or hidden, ")
          .append("found ")
          .append(Quoted(kind));
      throw CShapeError(message);
    }
    entry.baseline = Text(item, "baseline", at);
    entry.device = Text(item, "device", at);
    if (item.contains("set_aside")) entry.setAside = Text(item, "set_aside", at);
    if (item.contains("rule")) entry.rule = Text(item, "rule", at);
    d.drift.push_back(std::move(entry));
  }
  if (row.contains("remediation")) d.remediation = EditsFrom(row, where, d.remediationOmitted);
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
  std::vector<CSettingCount> drifted;
  std::vector<CSettingCount> hidden;
  const auto readCounts = [](const json& document, const char* name,
                             std::vector<CSettingCount>& counts) {
    const json& list = Array(document, name, "");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const std::string at = std::string(name) + "[" + std::to_string(i) + "]";
      counts.push_back(
          {Text(list[i], "section", at), Text(list[i], "key", at), Count(list[i], "devices", at)});
    }
  };
  json document;
  std::vector<CRunInfo> shards;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    error = "not JSON (a syntax error at byte " + std::to_string(e.byte) + ")";
    return false;
  } catch (const json::out_of_range&) {
    // Well-formed JSON the parser still refuses: a number too large for a double.
    error = "not readable JSON (a number too large)";
    return false;
  }
  try {
    const json* kind =
        document.is_object() && document.contains("kind") ? &document["kind"] : nullptr;
    const json* version = document.is_object() && document.contains("schema_version")
                              ? &document["schema_version"]
                              : nullptr;
    if (kind == nullptr || *kind != "audit" || version == nullptr) {
      error = R"(no "kind": "audit" with a "schema_version")";
      return false;
    }
    if (*version != kAuditSchemaVersion) {
      // Version 1 counted hidden differences as drift: its counts cannot be split.
      error = "schema_version " + Found(*version) + ", not " + std::to_string(kAuditSchemaVersion) +
              "; audit that shard again with this varnic";
      return false;
    }
    if (const auto inner = document.find("shards"); inner != document.end()) {
      for (const json& shard : *inner) shards.push_back(RunInfoFrom(shard));
    } else {
      shards.push_back(RunInfoFrom(document));
    }
    const json& totals = Field(document, "totals", "");
    targets = Count(totals, "targets", "totals");
    duplicates = Count(totals, "duplicates", "totals");
    const std::string state = Text(document, "state", "");
    if (state != "complete" && state != "interrupted") {
      throw CShapeError("field 'state': expected complete or interrupted, found " + Quoted(state));
    }
    interrupted = state == "interrupted";
    strict = Text(document, "mode", "") == "strict";
    const json& devices = Array(document, "devices", "");
    for (std::size_t i = 0; i < devices.size(); ++i) {
      rows.push_back(DeviceFrom(devices[i], "devices[" + std::to_string(i) + "]"));
    }
    readCounts(document, "most_drifted", drifted);
    readCounts(document, "most_hidden", hidden);
  } catch (const CShapeError& e) {
    error = e.what();
    return false;
  } catch (const json::exception&) {
    // The run information is read through the library's own checks: told in our words.
    error = "fields 'generated_at', 'run_id', 'options' or 'shards': not as an audit writes them";
    return false;
  }
  merged.shards.insert(merged.shards.end(), shards.begin(), shards.end());
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
