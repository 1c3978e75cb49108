#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audit/render.h"
#include "base/path_names.h"
#include "report/html_report.h"
#include "report/version.h"

namespace varnic::audit {
namespace {

using report::HtmlEscape;

constexpr std::string_view kTitleAndStyle = R"(<title>Varnic fleet audit</title>
<style>
body{font:14px/1.4 system-ui,sans-serif;margin:2em;color:#222}
table{border-collapse:collapse;margin:.5em 0 1.5em}
td,th{border:1px solid #ccc;padding:2px 6px;vertical-align:top}
th{background:#f3f3f3;text-align:left}
td.n{text-align:right;font-variant-numeric:tabular-nums}
td.p,td.v{font-family:monospace;overflow-wrap:anywhere}
td.p{min-width:18em}
tr.error td{background:#fde2e2}
tr.drifted td{background:#fff3c4}
summary{font-weight:bold;cursor:pointer;margin:.3em 0}
.banner{padding:.6em 1em;border-radius:4px;margin:1em 0;font-weight:bold}
.bad{background:#fde2e2}.warn{background:#fff3c4}.good{background:#d9f2d9}
svg text{font:12px system-ui,sans-serif}
</style>
</head>
<body>
)";

constexpr std::size_t kBarsShown = 15;
constexpr int kLabelWidth = 320;
constexpr int kBarWidth = 300;
constexpr int kRowHeight = 20;

struct CBar {
  std::string label;
  std::size_t value = 0;
  std::size_t of = 0;  // a lighter bar behind, when there is a whole to compare with
};

// A horizontal bar chart; labels are cut so a long name cannot push the bars off the picture.
std::string BarChart(const std::string& title, const std::vector<CBar>& bars) {
  std::size_t largest = 1;
  for (const CBar& bar : bars) largest = std::max({largest, bar.value, bar.of});
  const int height = static_cast<int>(bars.size()) * kRowHeight + 10;
  const int width = kLabelWidth + kBarWidth + 60;
  std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" role="img" width=")" +
                    std::to_string(width) + "\" height=\"" + std::to_string(height) +
                    "\" aria-label=\"" + HtmlEscape(title) + "\">\n";
  int y = 5;
  const auto length = [&](std::size_t value) {
    return std::to_string(static_cast<int>(value * kBarWidth / largest));
  };
  for (const CBar& bar : bars) {
    std::string label = bar.label;
    if (label.size() > 48) label = "…" + label.substr(label.size() - 47);
    const std::string top = std::to_string(y);
    svg += "<text x=\"" + std::to_string(kLabelWidth - 6) + "\" y=\"" + std::to_string(y + 14) +
           R"(" text-anchor="end">)" + HtmlEscape(label) + "</text>";
    if (bar.of > 0) {
      svg += "<rect x=\"" + std::to_string(kLabelWidth) + "\" y=\"" + top + "\" width=\"" +
             length(bar.of) + R"(" height="16" fill="#ddd"/>)";
    }
    svg += "<rect x=\"" + std::to_string(kLabelWidth) + "\" y=\"" + top + "\" width=\"" +
           length(bar.value) + R"(" height="16" fill="#d9822b"/>)";
    svg += "<text x=\"" + std::to_string(kLabelWidth + kBarWidth + 6) + "\" y=\"" +
           std::to_string(y + 14) + "\">" + std::to_string(bar.value);
    if (bar.of > 0) svg.append("/").append(std::to_string(bar.of));
    svg += "</text>\n";
    y += kRowHeight;
  }
  return svg + "</svg>\n";
}

std::vector<CBar> BySetting(const std::vector<CSettingCount>& counts) {
  std::vector<CBar> bars;
  for (const CSettingCount& s : counts) {
    if (bars.size() == kBarsShown) break;
    bars.push_back({SettingName(s.section, s.key), s.devices, 0});
  }
  return bars;
}

// Devices that drifted per directory (a site, a model), against all compared there. A target
// that could not be audited is no drift: the table and the banner tell of it.
std::vector<CBar> ByDirectory(const CAuditSummary& summary) {
  std::map<std::string, CBar> directories;
  for (const CDeviceResult& d : summary.devices) {
    if (d.Failed()) continue;
    std::string directory = base::NameOf(base::PathOf(d.path).parent_path());
    if (directory.empty()) directory.push_back('.');
    CBar& bar = directories[directory];
    bar.label = directory;
    ++bar.of;
    if (d.drifted) ++bar.value;
  }
  std::vector<CBar> bars;
  bars.reserve(directories.size());
  for (auto& [name, bar] : directories) bars.push_back(std::move(bar));
  std::stable_sort(bars.begin(), bars.end(),
                   [](const CBar& a, const CBar& b) { return a.value > b.value; });
  if (bars.size() > kBarsShown) bars.resize(kBarsShown);
  return bars;
}

std::string Banner(const CAuditSummary& summary) {
  const CAuditTotals& t = summary.totals;
  const char* kind = t.errors > 0 ? "bad" : t.drifted > 0 ? "warn" : "good";
  std::string text = std::to_string(t.drifted) + " of " + std::to_string(t.audited) +
                     " devices drifted, " + std::to_string(t.errors) + " could not be audited";
  if (summary.interrupted) {
    text += "; interrupted, " + std::to_string(t.notStarted) + " targets not audited";
  }
  return "<p class=\"banner " + std::string(kind) + "\">" + text + "</p>\n";
}

std::string DeviceRow(const CDeviceResult& d) {
  const char* status = d.Failed() ? "error" : d.drifted ? "drifted" : "clean";
  std::string row = "<tr class=\"" + std::string(status) + R"("><td class="p">)" +
                    HtmlEscape(d.path) + "</td><td>" + status + "</td>";
  for (const std::size_t n : {d.differences, d.onlyInBaseline, d.onlyInDevice, d.hidden}) {
    row += "<td class=\"n\">" + (d.Failed() ? std::string("-") : std::to_string(n)) + "</td>";
  }
  return row + "<td>" + HtmlEscape(d.error) + "</td></tr>\n";
}

// A golden baseline's edits back, one row each.
std::string RemediationTable(const CDeviceResult& d) {
  std::string html =
      "<p>The way back:</p>\n<table><tr><th>edit</th><th>setting</th>"
      "<th>value</th><th>rule</th></tr>\n";
  for (const CEdit& edit : *d.remediation) {
    html += "<tr><td>" + HtmlEscape(edit.action) + "</td><td class=\"v\">" +
            HtmlEscape(SettingName(edit.section, edit.key)) + "</td><td class=\"v\">" +
            HtmlEscape(edit.value) + "</td><td class=\"v\">" + HtmlEscape(edit.rule) +
            "</td></tr>\n";
  }
  html += "</table>";
  if (d.remediationOmitted > 0) {
    html += "<p>" + std::to_string(d.remediationOmitted) + " more edits not shown.</p>";
  }
  return html;
}

std::string DeviceDetails(const CDeviceResult& d) {
  const bool golden = d.remediation.has_value();
  std::string html = "<details><summary>" + HtmlEscape(d.path) + " (" +
                     std::to_string(d.drift.size() + d.driftOmitted) +
                     (d.drift.size() + d.driftOmitted == 1 ? " setting)" : " settings)") +
                     "</summary>\n<p>Baseline <code>" + HtmlEscape(d.baseline) +
                     "</code></p>\n<table><tr><th>setting</th><th>how</th>" +
                     (golden ? "<th>expected</th><th>actual</th><th>rule</th></tr>\n"
                             : "<th>baseline</th><th>device</th></tr>\n");
  for (const CDrift& drift : d.drift) {
    html += "<tr><td class=\"v\">" + HtmlEscape(SettingName(drift.section, drift.key)) +
            "</td><td>" + DriftKindName(drift.kind) +
            (drift.setAside.empty() ? "" : " (set aside: " + HtmlEscape(drift.setAside) + ")") +
            "</td><td class=\"v\">" + HtmlEscape(drift.baseline) + "</td><td class=\"v\">" +
            HtmlEscape(drift.device) +
            (golden ? "</td><td class=\"v\">" + HtmlEscape(drift.rule) : std::string()) +
            "</td></tr>\n";
  }
  html += "</table>";
  if (golden && !d.Failed()) html += RemediationTable(d);
  if (d.driftOmitted > 0) {
    html += "<p>" + std::to_string(d.driftOmitted) +
            " more not shown; varnic compare or --save-dir show them all.</p>";
  }
  return html + "</details>\n";
}

}  // namespace

void WriteAuditHtml(const CAuditSummary& summary, const std::string& generatedAt,
                    std::ostream& out) {
  out << report::kHtmlPageStart << kTitleAndStyle << "<h1>Varnic fleet audit</h1>\n"
      << Banner(summary) << "<p>Made " << HtmlEscape(generatedAt) << " by varnic "
      << report::kVersion << (summary.strict ? "; hidden differences count as drift" : "")
      << "</p>\n";
  const std::vector<CBar> settings = BySetting(summary.mostDrifted);
  if (!settings.empty()) {
    out << "<h2>Drift by setting</h2>\n" << BarChart("devices per drifted setting", settings);
  }
  const std::vector<CBar> hidden = BySetting(summary.mostHidden);
  if (!hidden.empty()) {
    out << "<h2>Hidden differences by setting</h2>\n<p>Settings the comparison left out under "
           "the active ones, yet different from the baseline.</p>\n"
        << BarChart("devices per setting with a hidden difference", hidden);
  }
  out << "<h2>Drifted devices by directory</h2>\n"
      << BarChart("drifted devices per directory, of those compared", ByDirectory(summary));
  out << "<h2>Devices</h2>\n<table><tr><th>device</th><th>status</th><th>drifted</th>"
         "<th>only in baseline</th><th>only in device</th><th>hidden</th><th>error</th></tr>\n";
  for (const CDeviceResult& d : summary.devices) out << DeviceRow(d);
  out << "</table>\n<h2>Drift per device</h2>\n";
  for (const CDeviceResult& d : summary.devices) {
    if (!d.drift.empty()) out << DeviceDetails(d);
  }
  out << "</body>\n</html>\n";
}

}  // namespace varnic::audit
