#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "audit/merge.h"
#include "audit/render.h"
#include "report/json_writer.h"
#include "report/version.h"

namespace varnic::audit {
namespace {

void WriteRunInfo(const CRunInfo& run, report::CJsonWriter& json) {
  json.Member("generated_at", run.generatedAt);
  json.Key("run_id");
  if (run.runId) {
    json.Int(*run.runId);
  } else {
    json.Null();
  }
  json.Key("options");
  if (run.options) {
    WriteRunOptions(*run.options, json);
  } else {
    json.Null();
  }
}

// The objects a fleet's document repeats by the thousand (a drift row, an edit, a setting's
// count), each laid out once (CJsonWriter::Object).
struct CShapes {
  // A drift row, with its optional members or without.
  report::CJsonShape drift{"section", "key", "kind", "baseline", "device"};
  report::CJsonShape driftSetAside{"section", "key", "kind", "baseline", "device", "set_aside"};
  report::CJsonShape driftRule{"section", "key", "kind", "baseline", "device", "rule"};
  report::CJsonShape driftBoth{"section", "key", "kind", "baseline", "device", "set_aside", "rule"};
  report::CJsonShape edit{"action", "section", "key", "value", "rule"};
  report::CJsonShape count{"section", "key", "devices"};
};

void WriteDrift(const CDrift& drift, CShapes& shapes, report::CJsonWriter& json) {
  using report::CJsonField;
  const bool setAside = !drift.setAside.empty();
  const bool rule = !drift.rule.empty();
  std::array<CJsonField, 7> fields = {CJsonField::Text(drift.section), CJsonField::Text(drift.key),
                                      CJsonField::Text(DriftKindName(drift.kind)),
                                      CJsonField::Text(drift.baseline),
                                      CJsonField::Text(drift.device)};
  std::size_t count = 5;
  if (setAside) fields[count++] = CJsonField::Text(drift.setAside);
  if (rule) fields[count++] = CJsonField::Text(drift.rule);
  report::CJsonShape& shape = setAside && rule ? shapes.driftBoth
                              : setAside       ? shapes.driftSetAside
                              : rule           ? shapes.driftRule
                                               : shapes.drift;
  json.Object(shape, std::span(fields).first(count));
}

// As compare's JSON has it, with the count of edits beyond those listed.
void WriteRemediation(const std::vector<CEdit>& edits, std::size_t omitted, CShapes& shapes,
                      report::CJsonWriter& json) {
  json.Key("remediation");
  json.BeginArray();
  for (const CEdit& edit : edits) {
    using report::CJsonField;
    const std::array<CJsonField, 5> fields = {
        CJsonField::Text(edit.action), CJsonField::Text(edit.section), CJsonField::Text(edit.key),
        CJsonField::Text(edit.value),
        edit.rule.empty() ? CJsonField::Null() : CJsonField::Text(edit.rule)};
    json.Object(shapes.edit, fields);
  }
  json.EndArray();
  json.Member("remediation_omitted", omitted);
}

}  // namespace

void WriteAuditJson(const CAuditSummary& summary, std::ostream& out) {
  report::CJsonWriter json(out);
  CShapes shapes;
  const CAuditTotals& t = summary.totals;
  json.BeginObject();
  json.Member("schema_version", kAuditSchemaVersion);
  json.Member("kind", "audit");
  json.Key("tool");
  json.BeginObject();
  json.Member("name", "varnic");
  json.Member("version", report::kVersion);
  json.EndObject();
  WriteRunInfo(summary.run, json);
  if (!summary.run.shards.empty()) {
    json.Key("shards");
    json.BeginArray();
    for (const CRunInfo& shard : summary.run.shards) {
      json.BeginObject();
      WriteRunInfo(shard, json);
      json.EndObject();
    }
    json.EndArray();
  }
  json.Member("state", summary.interrupted ? "interrupted" : "complete");
  json.Member("mode", summary.strict ? "strict" : "marked");
  json.Key("totals");
  json.BeginObject();
  json.Member("targets", t.targets);
  json.Member("audited", t.audited);
  json.Member("not_started", t.notStarted);
  json.Member("drifted", t.drifted);
  json.Member("clean", t.clean);
  json.Member("errors", t.errors);
  json.Member("duplicates", t.duplicates);
  json.Member("differences", t.differences);
  json.Member("hidden_differences", t.hidden);
  json.EndObject();

  json.Key("devices");
  json.BeginArray();
  for (const CDeviceResult& d : summary.devices) {
    json.BeginObject();
    json.Member("path", d.path);
    json.Member("baseline", d.baseline);
    json.Member("status", d.Failed() ? "error" : d.drifted ? "drifted" : "clean");
    json.Key("error");
    if (d.Failed()) {
      json.String(d.error);
    } else {
      json.Null();
    }
    json.Member("baseline_type", d.baselineType);
    json.Member("device_type", d.deviceType);
    json.Member("differences", d.differences);
    json.Member("only_in_baseline", d.onlyInBaseline);
    json.Member("only_in_device", d.onlyInDevice);
    json.Member("hidden_differences", d.hidden);
    json.Member("ignored", d.ignored);
    json.Member("drift_omitted", d.driftOmitted);
    json.Key("drift");
    json.BeginArray();
    for (const CDrift& drift : d.drift) WriteDrift(drift, shapes, json);
    json.EndArray();
    if (d.remediation && !d.Failed()) {
      WriteRemediation(*d.remediation, d.remediationOmitted, shapes, json);
    }
    json.EndObject();
  }
  json.EndArray();

  for (const auto& [name, counts] : {std::pair{"most_drifted", &summary.mostDrifted},
                                     std::pair{"most_hidden", &summary.mostHidden}}) {
    json.Key(name);
    json.BeginArray();
    for (const CSettingCount& s : *counts) {
      using report::CJsonField;
      const std::array<CJsonField, 3> fields = {
          CJsonField::Text(s.section), CJsonField::Text(s.key),
          CJsonField::Int(static_cast<std::int64_t>(s.devices))};
      json.Object(shapes.count, fields);
    }
    json.EndArray();
  }
  json.EndObject();
  json.Flush();
  out << "\n";
}

}  // namespace varnic::audit
