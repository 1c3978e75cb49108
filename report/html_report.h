#ifndef VARNIC_REPORT_HTML_REPORT_H_
#define VARNIC_REPORT_HTML_REPORT_H_

#include <ostream>
#include <string>
#include <string_view>

#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

// How every page of the project begins, up to its title: a Content-Security-Policy that forbids
// scripts and every request, so a page made from hostile backups can run nothing and leak nothing.
inline constexpr std::string_view kHtmlPageStart = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'">
<meta name="viewport" content="width=device-width, initial-scale=1">
)";

// The one way text enters the HTML report: bytes that would act on a terminal or are not UTF-8
// are shown as \xNN, and the five HTML metacharacters become entities.
std::string HtmlEscape(std::string_view text);
// The same, appended to `html`.
void AppendHtmlEscaped(std::string& html, std::string_view text);

// A self-contained page that works offline: a verdict banner, the inputs and their roles, a
// legend, the counts, the changes alone (open) and every setting per section (collapsed), the
// settings not compared that differ, the explanations and the date. A Content-Security-Policy
// forbids scripts and every network request; the views open and close with <details> alone.
// Secret values are masked unless `showSecrets`. Written to `out` as it goes.
// `masker` gives the labels; pass the run's masker, primed with `report` (as the run primes it),
// so that every output of the run agrees. Without one the output primes its own.
void WriteHtml(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* masker = nullptr);

// The same page as a string.
std::string RenderHtml(const CReport& report, bool showSecrets, CSecretMasker* masker = nullptr);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_HTML_REPORT_H_
