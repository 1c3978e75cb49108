// The plain-text outputs: the table, CSV and workflow commands.
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "audit/render.h"
#include "report/terminal_text.h"

namespace varnic::audit {
namespace {

using report::SafeText;

constexpr std::size_t kMostDriftedShown = 10;

std::string StatusWord(const CDeviceResult& device) {
  if (device.Failed()) return "error";
  return device.drifted ? "drifted" : "clean";
}

std::string Right(std::size_t value, std::size_t width) {
  std::string text = std::to_string(value);
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

std::string TotalsLine(const CAuditSummary& summary) {
  const CAuditTotals& t = summary.totals;
  std::string line = Plural(t.audited, "device", "devices") + ": " + std::to_string(t.drifted) +
                     " drifted, " + std::to_string(t.clean) + " clean, " +
                     Plural(t.errors, "error", "errors");
  if (t.duplicates > 0) {
    line += "; " + Plural(t.duplicates, "target was named again and audited once",
                          "targets were named again and audited once");
  }
  return line;
}

// A CSV field: quoted when it holds a separator, a quote or a line break. A leading = + - @
// gets a quote mark so that a spreadsheet does not run a file name as a formula.
std::string CsvField(std::string_view raw) {
  std::string text = SafeText(raw);
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) {
    std::string marked(1, '\'');  // built forward: GCC 12 misreports insert(0) (-Wrestrict)
    text = marked.append(text);
  }
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Workflow command escapes: a message's % CR LF; a property's also : and ,.
std::string GithubEscape(std::string_view raw, bool property) {
  std::string text;
  for (const char c : SafeText(raw)) {
    if (c == '%') {
      text += "%25";
    } else if (c == '\r') {
      text += "%0D";
    } else if (c == '\n') {
      text += "%0A";
    } else if (property && c == ':') {
      text += "%3A";
    } else if (property && c == ',') {
      text += "%2C";
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

// A line before the first header has no section to name.
std::string SettingName(const std::string& section, const std::string& key) {
  return section.empty() ? key : section + " " + key;
}

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void WriteTable(const CAuditSummary& summary, std::ostream& out) {
  out << "STATUS   DRIFTED  ONLY IN BASELINE  ONLY IN DEVICE  HIDDEN  DEVICE\n";
  for (const CDeviceResult& d : summary.devices) {
    std::string status = StatusWord(d);
    status.resize(7, ' ');
    if (d.Failed()) {
      out << status << "        -                 -               -       -  " << SafeText(d.path)
          << ": " << SafeText(d.error) << "\n";
      continue;
    }
    out << status << Right(d.differences, 9) << Right(d.onlyInBaseline, 18)
        << Right(d.onlyInDevice, 16) << Right(d.hidden, 8) << "  " << SafeText(d.path) << "\n";
  }
  out << "\n" << TotalsLine(summary) << "\n";
  if (summary.interrupted) {
    out << "interrupted: " << summary.totals.notStarted << " of " << summary.totals.targets
        << " targets were not audited\n";
  }
  // Hidden differences apart: a per-device address the rules leave out is no drift.
  for (const auto& [title, counts] :
       {std::pair{"Most often drifted:", &summary.mostDrifted},
        std::pair{"Most often different where not compared (hidden):", &summary.mostHidden}}) {
    if (counts->empty()) continue;
    out << "\n" << title << "\n";
    std::size_t shown = 0;
    for (const CSettingCount& s : *counts) {
      if (shown++ == kMostDriftedShown) break;
      out << "  " << SafeText(SettingName(s.section, s.key)) << ": "
          << Plural(s.devices, "device", "devices") << "\n";
    }
  }
}

void WriteCsv(const CAuditSummary& summary, std::ostream& out) {
  out << "path,baseline,status,drifted,only_in_baseline,only_in_device,hidden,ignored,error\n";
  for (const CDeviceResult& d : summary.devices) {
    out << CsvField(d.path) << ',' << CsvField(d.baseline) << ',' << StatusWord(d) << ','
        << d.differences << ',' << d.onlyInBaseline << ',' << d.onlyInDevice << ',' << d.hidden
        << ',' << d.ignored << ',' << CsvField(d.error) << "\n";
  }
}

void WriteGithub(const CAuditSummary& summary, std::ostream& out) {
  for (const CDeviceResult& d : summary.devices) {
    if (d.Failed()) {
      out << "::error file=" << GithubEscape(d.path, true)
          << ",title=varnic audit%3A cannot audit::" << GithubEscape(d.error, false) << "\n";
      continue;
    }
    // A passing device whose uncompared settings differ is a warning: never silently "same".
    if (!d.drifted && d.hidden == 0) continue;
    // Only the counts that are not zero, and the settings as a list with nothing after its end.
    std::string message =
        d.differences > 0 ? Plural(d.differences, "setting differs", "settings differ") : "";
    if (d.hidden > 0) {
      if (!message.empty()) message += ", ";
      message += Plural(d.hidden, "hidden difference", "hidden differences");
    }
    message += " against " + d.baseline;
    for (std::size_t i = 0; i < d.drift.size(); ++i) {
      message.append(i == 0 ? ": " : "; ").append(SettingName(d.drift[i].section, d.drift[i].key));
    }
    if (d.driftOmitted > 0) {
      message += (d.drift.empty() ? ": " : "; ") + std::string("and ") +
                 Plural(d.driftOmitted, "more setting", "more settings");
    }
    out << (d.drifted ? "::error" : "::warning") << " file=" << GithubEscape(d.path, true)
        << ",title=varnic audit%3A " << (d.drifted ? "drift" : "hidden differences")
        << "::" << GithubEscape(message, false) << "\n";
  }
  out << "::notice title=varnic audit::" << GithubEscape(TotalsLine(summary), false)
      << (summary.interrupted ? " (interrupted)" : "") << "\n";
}

}  // namespace varnic::audit
