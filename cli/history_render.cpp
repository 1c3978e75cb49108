#include "cli/history_render.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "cli/history_command.h"
#include "report/json_writer.h"
#include "report/terminal_text.h"
#include "report/version.h"

namespace varnic::cli {
namespace {

std::string Csv(std::string_view raw) {
  if (raw.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(raw);
  std::string quoted = "\"";
  for (const char c : raw) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Setting(const std::string& section, const std::string& key) {
  return section + " " + key;
}

void BeginDocument(report::CJsonWriter& json, const char* view) {
  json.BeginObject();
  json.Member("schema_version", 1);
  json.Member("kind", "history");
  json.Key("tool");
  json.BeginObject();
  json.Member("name", "varnic");
  json.Member("version", report::kVersion);
  json.EndObject();
  json.Member("view", view);
}

void EndDocument(report::CJsonWriter& json, std::ostream& out) {
  json.EndObject();
  json.Flush();
  out << "\n";
}

void RunJson(const store::CRun& r, report::CJsonWriter& json) {
  json.BeginObject();
  json.Member("id", r.id);
  json.Member("started_at", r.startedAt);
  json.Key("finished_at");
  json.StringOrNull(r.finishedAt);
  json.Member("state", r.state);
  json.Member("host", r.host);
  json.Member("baseline", r.baseline);
  json.Member("baseline_digest", r.baselineDigest);
  json.Key("totals");
  json.BeginObject();
  json.Member("targets", r.totals.targets);
  json.Member("audited", r.totals.audited);
  json.Member("drifted", r.totals.drifted);
  json.Member("clean", r.totals.clean);
  json.Member("errors", r.totals.errors);
  json.Member("differences", r.totals.differences);
  json.Member("hidden_differences", r.totals.hidden);
  json.EndObject();
  json.EndObject();
}

void DriftJson(const store::CDriftRecord& row, report::CJsonWriter& json) {
  json.BeginObject();
  json.Member("section", row.section);
  json.Member("key", row.key);
  json.Member("kind", row.kind);
  json.Member("baseline", row.baseline);
  json.Member("device", row.device);
  json.EndObject();
}

std::string StartOf(const std::vector<store::CRun>& runs, std::int64_t id) {
  for (const store::CRun& run : runs) {
    if (run.id == id) return run.startedAt;
  }
  return {};
}

}  // namespace

void WriteRuns(const std::vector<store::CRun>& runs, HistoryFormat format, std::ostream& out) {
  if (format == HistoryFormat::kJson) {
    report::CJsonWriter json(out);
    BeginDocument(json, "runs");
    json.Key("runs");
    json.BeginArray();
    for (const store::CRun& r : runs) RunJson(r, json);
    json.EndArray();
    EndDocument(json, out);
    return;
  }
  if (format == HistoryFormat::kCsv) {
    out << "run,started_at,finished_at,state,host,baseline,targets,audited,drifted,clean,errors,"
           "differences,hidden_differences\n";
    for (const store::CRun& r : runs) {
      const store::CRunTotals& t = r.totals;
      out << r.id << ',' << r.startedAt << ',' << r.finishedAt << ',' << r.state << ','
          << Csv(r.host) << ',' << Csv(r.baseline) << ',' << t.targets << ',' << t.audited << ','
          << t.drifted << ',' << t.clean << ',' << t.errors << ',' << t.differences << ','
          << t.hidden << "\n";
    }
    return;
  }
  out << "  run  started               finished              state        targets  drifted  "
         "clean  errors\n";
  for (const store::CRun& r : runs) {
    const store::CRunTotals& t = r.totals;
    // A run still "running" that nobody is writing was killed: its finish is unknown.
    out << Right(std::to_string(r.id), 5) << "  " << Padded(r.startedAt, 20) << "  "
        << Padded(r.finishedAt.empty() ? "-" : r.finishedAt, 20) << "  "
        << Padded(report::SafeText(r.state), 11) << Right(std::to_string(t.targets), 8)
        << Right(std::to_string(t.drifted), 9) << Right(std::to_string(t.clean), 7)
        << Right(std::to_string(t.errors), 8) << "\n";
  }
  out << runs.size() << (runs.size() == 1 ? " run\n" : " runs\n");
}

void WriteSince(const store::CSince& since, const std::vector<store::CRun>& runs,
                HistoryFormat format, std::ostream& out) {
  if (format == HistoryFormat::kJson) {
    report::CJsonWriter json(out);
    BeginDocument(json, "since");
    json.Key("reference_run");
    if (since.reference == 0) {
      json.Null();
    } else {
      json.Int(since.reference);
    }
    json.Member("new", since.added);
    json.Member("fixed", since.fixed);
    json.Member("persisting", since.persisting);
    json.Key("settings");
    json.BeginArray();
    for (const store::CSettingChange& c : since.settings) {
      json.BeginObject();
      json.Member("device", c.device);
      json.Member("state", c.state);
      json.Member("section", c.section);
      json.Member("key", c.key);
      json.Member("kind", c.kind);
      json.Member("baseline", c.baseline);
      json.Member("value", c.value);
      json.Member("first_seen_run", c.firstSeenRun);
      json.Member("first_seen_at", c.firstSeenAt);
      json.Member("last_run", c.lastRun);
      json.EndObject();
    }
    json.EndArray();
    json.Key("not_seen");
    json.BeginArray();
    for (const std::string& name : since.notSeen) json.String(name);
    json.EndArray();
    EndDocument(json, out);
    return;
  }
  if (format == HistoryFormat::kCsv) {
    out << "device,state,section,key,kind,baseline,value,first_seen_run,first_seen_at,last_run\n";
    for (const store::CSettingChange& c : since.settings) {
      out << Csv(c.device) << ',' << c.state << ',' << Csv(c.section) << ',' << Csv(c.key) << ','
          << c.kind << ',' << Csv(c.baseline) << ',' << Csv(c.value) << ',' << c.firstSeenRun << ','
          << c.firstSeenAt << ',' << c.lastRun << "\n";
    }
    return;
  }
  out << "Since "
      << (since.reference == 0 ? std::string("the first run")
                               : "run " + std::to_string(since.reference) + " (" +
                                     StartOf(runs, since.reference) + ")")
      << ": " << since.added << " new, " << since.fixed << " fixed, " << since.persisting
      << " persisting\n";
  std::string device;
  for (const store::CSettingChange& c : since.settings) {
    if (c.device != device) {
      device = c.device;
      out << report::SafeText(device) << "\n";
    }
    out << "  " << Padded(c.state, 11) << report::SafeText(Setting(c.section, c.key)) << ": "
        << report::SafeText(c.baseline) << " → " << report::SafeText(c.value) << "  (since run "
        << c.firstSeenRun << ", " << c.firstSeenAt << ")\n";
  }
  for (const std::string& name : since.notSeen) {
    out << report::SafeText(name) << "\n  not audited since\n";
  }
}

void WriteTimeline(const std::string& device, const std::vector<store::CTimelineEntry>& entries,
                   HistoryFormat format, std::ostream& out) {
  if (format == HistoryFormat::kJson) {
    report::CJsonWriter json(out);
    BeginDocument(json, "device");
    json.Member("device", device);
    json.Key("timeline");
    json.BeginArray();
    for (const store::CTimelineEntry& e : entries) {
      const store::CObservation& o = e.observation;
      json.BeginObject();
      json.Member("run", o.run);
      json.Member("started_at", e.startedAt);
      json.Member("path", o.path);
      json.Member("status", o.status);
      json.Key("error");
      json.StringOrNull(o.error);
      json.Member("differences", o.differences);
      json.Member("hidden_differences", o.hidden);
      json.Key("appeared");
      json.BeginArray();
      for (const store::CDriftRecord& row : e.appeared) DriftJson(row, json);
      json.EndArray();
      json.Key("cleared");
      json.BeginArray();
      for (const store::CDriftRecord& row : e.cleared) DriftJson(row, json);
      json.EndArray();
      json.EndObject();
    }
    json.EndArray();
    EndDocument(json, out);
    return;
  }
  if (format == HistoryFormat::kCsv) {
    out << "run,started_at,path,status,error,differences,hidden_differences,change,section,key,"
           "kind,baseline,value\n";
    for (const store::CTimelineEntry& e : entries) {
      const store::CObservation& o = e.observation;
      const std::string head = std::to_string(o.run) + "," + e.startedAt + "," + Csv(o.path) + "," +
                               o.status + "," + Csv(o.error) + "," + std::to_string(o.differences) +
                               "," + std::to_string(o.hidden);
      if (e.appeared.empty() && e.cleared.empty()) out << head << ",,,,,,\n";
      for (const auto& [change, rows] :
           {std::pair{"appeared", &e.appeared}, std::pair{"cleared", &e.cleared}}) {
        for (const store::CDriftRecord& r : *rows) {
          out << head << ',' << change << ',' << Csv(r.section) << ',' << Csv(r.key) << ','
              << r.kind << ',' << Csv(r.baseline) << ',' << Csv(r.device) << "\n";
        }
      }
    }
    return;
  }
  out << report::SafeText(device) << ": " << entries.size()
      << (entries.size() == 1 ? " reading\n" : " readings\n");
  for (const store::CTimelineEntry& e : entries) {
    const store::CObservation& o = e.observation;
    out << "run " << o.run << "  " << e.startedAt << "  " << Padded(o.status, 8);
    if (o.status == "error") {
      out << report::SafeText(o.error);
    } else {
      out << o.differences << " drifted, " << o.hidden << " hidden";
    }
    out << "  " << report::SafeText(o.path) << "\n";
    for (const store::CDriftRecord& r : e.appeared) {
      out << "  + " << report::SafeText(Setting(r.section, r.key)) << ": "
          << report::SafeText(r.baseline) << " → " << report::SafeText(r.device) << "\n";
    }
    for (const store::CDriftRecord& r : e.cleared) {
      out << "  - " << report::SafeText(Setting(r.section, r.key)) << "\n";
    }
  }
}

}  // namespace varnic::cli
