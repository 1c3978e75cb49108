#include "audit/render.h"
#include "report/html_report.h"

namespace varnic::audit {
namespace {

void WriteDrift(const CDeviceResult& d, std::ostream& out) {
  using cli::HtmlEscape;
  for (const CDrift& drift : d.drift) {
    out << HtmlEscape(SettingName(drift.section, drift.key)) << ": " << DriftKindName(drift.kind)
        << " (baseline '" << HtmlEscape(drift.baseline) << "', device '" << HtmlEscape(drift.device)
        << "')\n";
  }
}

}  // namespace

// HtmlEscape's entities are XML's too, and it shows control bytes as \xNN, which XML 1.0 could
// not carry at all.
void WriteJunit(const CAuditSummary& summary, std::ostream& out) {
  using cli::HtmlEscape;
  const CAuditTotals& t = summary.totals;
  // No device at all is a collection that failed, never an empty suite that passes.
  const bool none = summary.devices.empty();
  const std::string counts = " tests=\"" + std::to_string(none ? 1 : t.audited) + "\" failures=\"" +
                             std::to_string(t.drifted) + "\" errors=\"" +
                             std::to_string(none ? 1 : t.errors) + "\"";
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<testsuites name=\"varnic audit\"" << counts << ">\n"
      << "<testsuite name=\"varnic audit\"" << counts << " skipped=\"" << t.notStarted << "\">\n";
  if (none) {
    out << "<testcase classname=\"varnic.audit\" name=\"fleet\"><error message=\"no device was "
           "audited\"/></testcase>\n";
  }
  for (const CDeviceResult& d : summary.devices) {
    out << R"(<testcase classname="varnic.audit" name=")" << HtmlEscape(d.path) << "\">";
    if (d.Failed()) {
      out << "<error message=\"" << HtmlEscape(d.error) << "\"/>";
    } else if (d.drifted) {
      out << "<failure message=\"" << d.differences << " differences, " << d.hidden
          << " hidden differences against " << HtmlEscape(d.baseline) << "\">";
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
