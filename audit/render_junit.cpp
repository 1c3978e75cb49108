#include <array>
#include <cstdio>
#include <filesystem>

#include "audit/render.h"
#include "report/html_report.h"

namespace varnic::audit {
namespace {

using report::HtmlEscape;

// A value as a reader should take it: quoted, or named as missing. An empty value of a setting
// not compared reads as missing, as the summary keeps it; a set-aside line's value is shown.
std::string Value(const char* side, const std::string& value, bool missing) {
  return std::string(side) + (missing ? " missing" : " '" + HtmlEscape(value) + "'");
}

void WriteDrift(const CDeviceResult& d, std::ostream& out) {
  for (const CDrift& drift : d.drift) {
    const bool hidden = drift.kind == DriftKind::kHidden;
    const bool toggle = !drift.setAside.empty();
    const bool noBaseline =
        (drift.kind == DriftKind::kOnlyInDevice && !toggle) || (hidden && drift.baseline.empty());
    const bool noDevice =
        (drift.kind == DriftKind::kOnlyInBaseline && !toggle) || (hidden && drift.device.empty());
    out << HtmlEscape(SettingName(drift.section, drift.key)) << ": " << DriftKindName(drift.kind)
        << " (" << Value("baseline", drift.baseline, noBaseline) << ", "
        << Value("device", drift.device, noDevice);
    if (toggle) {
      out << (drift.kind == DriftKind::kOnlyInDevice ? "; the baseline's" : "; the device's")
          << " line set aside: " << HtmlEscape(drift.setAside);
    }
    out << ")\n";
  }
  if (d.driftOmitted > 0) {
    out << "and " << Plural(d.driftOmitted, "more setting", "more settings") << "\n";
  }
}

// The failure's one-line summary: only the counts that are not zero.
std::string FailureMessage(const CDeviceResult& d) {
  std::string message;
  if (d.differences > 0) message = Plural(d.differences, "difference", "differences");
  if (d.hidden > 0) {
    if (!message.empty()) message += ", ";
    message += Plural(d.hidden, "hidden difference", "hidden differences");
  }
  return message + " against " + d.baseline;
}

// Test reports group cases by class: the target's directory is its site or model.
std::string ClassName(const std::string& path) {
  std::string directory = std::filesystem::path(path).parent_path().string();
  return directory.empty() ? std::string(".") : directory;
}

std::string Seconds(double seconds) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.3f", seconds);
  return text.data();
}

}  // namespace

// HtmlEscape's entities are XML's too, and it shows control bytes as \xNN, which XML 1.0 could
// not carry at all.
void WriteJunit(const CAuditSummary& summary, std::ostream& out) {
  const CAuditTotals& t = summary.totals;
  // No device at all is a collection that failed, never an empty suite that passes.
  const bool none = summary.devices.empty();
  double total = 0;
  for (const CDeviceResult& d : summary.devices) total += d.seconds;
  const std::string counts = " tests=\"" + std::to_string(none ? 1 : t.audited) + "\" failures=\"" +
                             std::to_string(t.drifted) + "\" errors=\"" +
                             std::to_string(none ? 1 : t.errors) + "\" time=\"" + Seconds(total) +
                             "\"";
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites name=\"varnic audit\"" << counts << ">\n"
      << "<testsuite name=\"varnic audit\"" << counts << " skipped=\"" << t.notStarted << "\">\n";
  if (none) {
    out << "<testcase classname=\"varnic.audit\" name=\"fleet\"><error message=\"no device was "
           "audited\"/></testcase>\n";
  }
  for (const CDeviceResult& d : summary.devices) {
    out << "<testcase classname=\"" << HtmlEscape(ClassName(d.path)) << "\" name=\""
        << HtmlEscape(d.path) << "\" time=\"" << Seconds(d.seconds) << "\">";
    if (d.Failed()) {
      out << "<error message=\"" << HtmlEscape(d.error) << "\"/>";
    } else if (d.drifted) {
      out << "<failure message=\"" << HtmlEscape(FailureMessage(d)) << "\">";
      WriteDrift(d, out);
      out << "</failure>";
    } else if (!d.drift.empty()) {
      // Passing, yet settings that were not compared differ: a reader must still see them.
      out << "<system-out>";
      WriteDrift(d, out);
      out << "</system-out>";
    }
    out << "</testcase>\n";
  }
  out << "</testsuite>\n</testsuites>\n";
}

}  // namespace varnic::audit
