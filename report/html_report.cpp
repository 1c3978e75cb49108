#include "report/html_report.h"

#include "report/secrets.h"
#include "report/terminal_text.h"
#include "report/version.h"

namespace varnic::cli {
namespace {

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Varnic comparison</title>
<style>
body{font:14px/1.4 system-ui,sans-serif;margin:2em;color:#222}
table{border-collapse:collapse;width:100%;margin:.5em 0 1.5em}
td,th{border:1px solid #ccc;padding:2px 6px;font-family:monospace;vertical-align:top;word-break:break-all}
th{background:#f3f3f3;text-align:left}
tr.same td{background:#fff}
tr.different td.v{background:#fff3c4}
tr.only_left td.l,tr.only_right td.r{background:#d9f2d9}
tr.only_left td.r,tr.only_right td.l{background:#f5f5f5}
summary{font-weight:bold;cursor:pointer;margin:.3em 0}
.counts td{font-family:system-ui,sans-serif}
</style>
</head>
<body>
)";

std::string Cell(const std::optional<std::string_view>& value, bool secret, bool showSecrets,
                 CSecretMasker& masker) {
  if (!value) return "";
  return secret && !showSecrets ? HtmlEscape(masker.LabelFor(*value)) : HtmlEscape(*value);
}

std::string Row(const CEntry& e, bool showSecrets, CSecretMasker& masker) {
  const bool secret = IsSecretKey(e.key);
  return "<tr class=\"" + StatusName(e.status) + "\"><td>" + HtmlEscape(e.key) +
         "</td><td class=\"v l\">" + Cell(e.left, secret, showSecrets, masker) +
         "</td><td class=\"v r\">" + Cell(e.right, secret, showSecrets, masker) + "</td><td>" +
         StatusName(e.status) + "</td></tr>\n";
}

std::string Summary(const CReport& report) {
  std::string html =
      "<table class=\"counts\"><tr><th>section</th><th>same</th><th>different</th>"
      "<th>only in file 1</th><th>only in file 2</th><th>dropped by rules</th></tr>\n";
  for (const CSectionStats& s : report.stats) {
    html += "<tr><td>" + HtmlEscape(s.section) + "</td><td>" + std::to_string(s.same) +
            "</td><td>" + std::to_string(s.different) + "</td><td>" + std::to_string(s.onlyLeft) +
            "</td><td>" + std::to_string(s.onlyRight) + "</td><td>" + std::to_string(s.dropped) +
            "</td></tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  if (IsPlainText(text)) {  // a cell a byte: only the metacharacters change
    std::string html;
    html.reserve(text.size());
    for (const char c : text) {
      switch (c) {
        case '&':
          html += "&amp;";
          break;
        case '<':
          html += "&lt;";
          break;
        case '>':
          html += "&gt;";
          break;
        case '"':
          html += "&quot;";
          break;
        case '\'':
          html += "&#39;";
          break;
        default:
          html += c;
      }
    }
    return html;
  }
  const Cells cells = ToSafeCells(text);
  std::string html;
  html.reserve(text.size());
  for (const std::string& cell : cells) {
    if (cell == "&") {
      html += "&amp;";
    } else if (cell == "<") {
      html += "&lt;";
    } else if (cell == ">") {
      html += "&gt;";
    } else if (cell == "\"") {
      html += "&quot;";
    } else if (cell == "'") {
      html += "&#39;";
    } else {
      html += cell;
    }
  }
  return html;
}

std::string RenderHtml(const CReport& report, bool showSecrets, CSecretMasker* runMasker) {
  CSecretMasker ownMasker;
  CSecretMasker& masker = runMasker != nullptr ? *runMasker : ownMasker;
  // Room for the usual row and list item up front: a report of many settings does not copy
  // itself as it grows.
  std::string html;
  html.reserve(kHead.size() + 4096 + 160 * (report.entries.size() + report.explanations.size()));
  html += kHead;
  html += "<h1>Varnic comparison</h1>\n<p>File 1: <code>" + HtmlEscape(report.left.path) +
          "</code> (type " + std::to_string(report.left.type) + ")<br>File 2: <code>" +
          HtmlEscape(report.right.path) + "</code> (type " + std::to_string(report.right.type) +
          ")<br>Made " + HtmlEscape(report.generatedAt) + " by varnic " + kVersion + "</p>\n";
  html += "<h2>Summary</h2>\n" + Summary(report);

  html += "<h2>Settings</h2>\n";
  std::size_t i = 0;
  while (i < report.entries.size()) {
    const std::string_view section = report.entries[i].section;
    std::size_t end = i;
    bool differs = false;
    for (; end < report.entries.size() && report.entries[end].section == section; ++end) {
      differs = differs || report.entries[end].status != CEntry::Status::kSame;
    }
    // Appended piece by piece: a section of many settings is not copied again as a whole.
    html += differs ? "<details open><summary>" : "<details><summary>";
    html += HtmlEscape(section);
    html += differs ? "" : " (no differences)";
    html +=
        "</summary>\n<table><tr><th>key</th><th>file 1</th><th>file 2</th><th>status</th>"
        "</tr>\n";
    for (; i < end; ++i) html += Row(report.entries[i], showSecrets, masker);
    html += "</table></details>\n";
  }

  html += "<h2>Dropped or changed before comparing</h2>\n<ul>\n";
  for (const CExplanation& e : report.explanations) {
    CExplanation shown = e;
    std::string line;
    std::string detail;
    if (!showSecrets) {
      line = masker.MaskLine(e.line);
      detail = masker.MaskLine(e.detail);
      shown.line = line;
      shown.detail = detail;
    }
    html += "<li>" + HtmlEscape(DescribeExplanation(shown)) + "</li>\n";
  }
  html += "</ul>\n</body>\n</html>\n";
  return html;
}

}  // namespace varnic::cli
