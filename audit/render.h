#ifndef VARNIC_AUDIT_RENDER_H_
#define VARNIC_AUDIT_RENDER_H_

#include <cstddef>
#include <ostream>
#include <string>

#include "audit/summary.h"

// The audit's outputs. Each takes the summary and a stream and nothing else; every name and
// value is escaped for where it goes (the terminal's safe text, XML and HTML entities, workflow
// command escapes). Values are as the summary holds them, secrets already masked.
namespace varnic::audit {

// A row per device, worst first, the totals, and the settings that drifted most often.
void WriteTable(const CAuditSummary& summary, std::ostream& out);
// One line per device; RFC 4180 quoting.
void WriteCsv(const CAuditSummary& summary, std::ostream& out);
// One test case per device, a failure for drift and an error for a device that failed.
void WriteJunit(const CAuditSummary& summary, std::ostream& out);
// Workflow commands: an error annotation per drifted or failed device, a notice with the totals.
void WriteGithub(const CAuditSummary& summary, std::ostream& out);
// The document docs/varnic-audit.schema.json describes; --merge reads it back.
void WriteAuditJson(const CAuditSummary& summary, std::ostream& out);
// A self-contained page: totals, two bar charts in inline SVG, the table, and a collapsed
// section per drifted device. No script, and a policy that forbids scripts and requests.
void WriteAuditHtml(const CAuditSummary& summary, const std::string& generatedAt,
                    std::ostream& out);

// "[Section] key", as the outputs name a setting.
std::string SettingName(const std::string& section, const std::string& key);

// "1 device", "2 devices": a count with the word that fits it.
std::string Plural(std::size_t n, const char* one, const char* many);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_RENDER_H_
