#ifndef VARNIC_CLI_HTML_REPORT_H_
#define VARNIC_CLI_HTML_REPORT_H_

#include <string>
#include <string_view>

#include "cli/report_model.h"

namespace varnic::cli {

// The one way text enters the HTML report: bytes that would act on a terminal or are not UTF-8
// are shown as \xNN, and the five HTML metacharacters become entities.
std::string HtmlEscape(std::string_view text);

// A self-contained page that works offline: a summary, one two-column table per section
// (sections without differences collapsed), the explanations, the inputs and the date. A
// Content-Security-Policy forbids scripts and every network request. Secret values are masked
// unless `showSecrets`.
std::string RenderHtml(const CReport& report, bool showSecrets);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_HTML_REPORT_H_
