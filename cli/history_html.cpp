#include <algorithm>
#include <array>
#include <string>

#include "cli/history_render.h"
#include "report/html_report.h"
#include "report/version.h"

namespace varnic::cli {
namespace {

constexpr std::string_view kTitleAndStyle = R"(<title>Varnic fleet history</title>
<style>
body{font:14px/1.4 system-ui,sans-serif;margin:2em;color:#222}
table{border-collapse:collapse;margin:.5em 0 1.5em}
td,th{border:1px solid #ccc;padding:2px 6px;vertical-align:top}
th{background:#f3f3f3;text-align:left}
td.n{text-align:right;font-variant-numeric:tabular-nums}
td.v{font-family:monospace;overflow-wrap:anywhere}
tr.new td{background:#fff3c4}tr.fixed td{background:#d9f2d9}
svg text{font:12px system-ui,sans-serif}
</style>
</head>
<body>
)";

constexpr int kChartHeight = 160;
constexpr int kLeft = 40;
constexpr int kStep = 24;
constexpr std::array<const char*, 6> kColours = {"#d9822b", "#2b6cd9", "#2ba84a",
                                                 "#b02bd9", "#d92b4a", "#6b6b6b"};

std::string Num(std::int64_t n) { return std::to_string(n); }

int Y(std::int64_t value, std::int64_t largest) {
  return 10 + kChartHeight -
         static_cast<int>(value * kChartHeight / std::max<std::int64_t>(largest, 1));
}

std::string SvgStart(const std::string& label, int width, int height) {
  return R"(<svg xmlns="http://www.w3.org/2000/svg" role="img" width=")" + Num(width) +
         "\" height=\"" + Num(height) + "\" aria-label=\"" + report::HtmlEscape(label) + "\">\n";
}

// Run numbers along the bottom, every few when there are many.
std::string RunAxis(const std::vector<std::int64_t>& runs) {
  std::string svg;
  const std::size_t every = std::max<std::size_t>(1, runs.size() / 20);
  for (std::size_t i = 0; i < runs.size(); i += every) {
    svg += "<text x=\"" + Num(kLeft + static_cast<int>(i) * kStep + kStep / 2) + "\" y=\"" +
           Num(kChartHeight + 26) + R"(" text-anchor="middle">)" + Num(runs[i]) + "</text>";
  }
  return svg + "\n";
}

std::string DriftedChart(const store::CTrends& trends) {
  const std::int64_t largest =
      trends.drifted.empty() ? 1 : *std::max_element(trends.drifted.begin(), trends.drifted.end());
  const int width = kLeft + static_cast<int>(trends.runs.size()) * kStep + 20;
  std::string svg = SvgStart("drifted devices per run", width, kChartHeight + 34);
  for (std::size_t i = 0; i < trends.runs.size(); ++i) {
    const int top = Y(trends.drifted[i], largest);
    svg += "<rect x=\"" + Num(kLeft + static_cast<int>(i) * kStep + 3) + "\" y=\"" + Num(top) +
           "\" width=\"" + Num(kStep - 6) + "\" height=\"" + Num(10 + kChartHeight - top) +
           R"(" fill="#d9822b"><title>run )" + Num(trends.runs[i]) + ": " + Num(trends.drifted[i]) +
           " drifted</title></rect>";
  }
  svg += R"(<text x="2" y="14">)" + Num(largest) + R"(</text><text x="2" y=")" +
         Num(kChartHeight + 10) + "\">0</text>\n";
  return svg + RunAxis(trends.runs) + "</svg>\n";
}

std::string SettingsChart(const store::CTrends& trends) {
  std::int64_t largest = 1;
  for (const auto& [name, counts] : trends.settings) {
    for (const std::int64_t n : counts) largest = std::max(largest, n);
  }
  const int width = kLeft + static_cast<int>(trends.runs.size()) * kStep + 20;
  const int legend = static_cast<int>(trends.settings.size()) * 18;
  std::string svg = SvgStart("devices per drifted setting over the runs", std::max(width, 420),
                             kChartHeight + 40 + legend);
  for (std::size_t s = 0; s < trends.settings.size(); ++s) {
    const auto& [name, counts] = trends.settings[s];
    const char* colour = kColours[s % kColours.size()];
    std::string points;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      points += Num(kLeft + static_cast<int>(i) * kStep + kStep / 2) + "," +
                Num(Y(counts[i], largest)) + " ";
    }
    svg += R"(<polyline fill="none" stroke-width="2" stroke=")" + std::string(colour) +
           "\" points=\"" + points + "\"/>\n";
    const int y = kChartHeight + 44 + static_cast<int>(s) * 18;
    svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(y - 10) +
           R"(" width="12" height="12" fill=")" + colour + "\"/><text x=\"" + Num(kLeft + 18) +
           "\" y=\"" + Num(y) + "\">" + report::HtmlEscape(name) + "</text>\n";
  }
  svg += R"(<text x="2" y="14">)" + Num(largest) + R"(</text><text x="2" y=")" +
         Num(kChartHeight + 10) + "\">0</text>\n";
  return svg + RunAxis(trends.runs) + "</svg>\n";
}

}  // namespace

void WriteHistoryHtml(const std::vector<store::CRun>& runs, const store::CTrends& trends,
                      const store::CSince* since, const std::string& generatedAt,
                      std::ostream& out) {
  out << report::kHtmlPageStart << kTitleAndStyle << "<h1>Varnic fleet history</h1>\n<p>Made "
      << report::HtmlEscape(generatedAt) << " by varnic " << report::kVersion << "; " << runs.size()
      << (runs.size() == 1 ? " run" : " runs") << "</p>\n";
  if (!runs.empty()) {
    out << "<h2>Drifted devices per run</h2>\n" << DriftedChart(trends);
    if (!trends.settings.empty()) {
      out << "<h2>Most drifted settings over time</h2>\n" << SettingsChart(trends);
    }
  }
  out << "<h2>Runs</h2>\n<table><tr><th>run</th><th>started</th><th>finished</th><th>state</th>"
         "<th>targets</th><th>drifted</th><th>clean</th><th>errors</th></tr>\n";
  for (const store::CRun& r : runs) {
    out << "<tr><td class=\"n\">" << r.id << "</td><td>" << report::HtmlEscape(r.startedAt)
        << "</td><td>" << report::HtmlEscape(r.finishedAt.empty() ? "-" : r.finishedAt)
        << "</td><td>" << report::HtmlEscape(r.state) << "</td><td class=\"n\">" << r.totals.targets
        << "</td><td class=\"n\">" << r.totals.drifted << "</td><td class=\"n\">" << r.totals.clean
        << "</td><td class=\"n\">" << r.totals.errors << "</td></tr>\n";
  }
  out << "</table>\n";
  if (since != nullptr) {
    out << "<h2>Drift since "
        << (since->reference == 0 ? "the first run" : "run " + Num(since->reference)) << ": "
        << since->added << " new, " << since->fixed << " fixed, " << since->persisting
        << " persisting</h2>\n<table><tr><th>device</th><th>state</th><th>setting</th>"
           "<th>baseline</th><th>device</th><th>first seen</th></tr>\n";
    for (const store::CSettingChange& c : since->settings) {
      out << "<tr class=\"" << c.state << R"("><td class="v">)" << report::HtmlEscape(c.device)
          << "</td><td>" << c.state << "</td><td class=\"v\">"
          << report::HtmlEscape(c.section + " " + c.key) << "</td><td class=\"v\">"
          << report::HtmlEscape(c.baseline) << "</td><td class=\"v\">"
          << report::HtmlEscape(c.value) << "</td><td>run " << c.firstSeenRun << ", "
          << report::HtmlEscape(c.firstSeenAt) << "</td></tr>\n";
    }
    out << "</table>\n";
  }
  out << "</body>\n</html>\n";
}

}  // namespace varnic::cli
