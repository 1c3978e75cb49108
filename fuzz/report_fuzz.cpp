// The JSON and HTML reports of a comparison of two fuzzed files, one of them under a fuzzed
// name. The JSON must parse and carry every key, value, line number and hidden difference as
// given (as U+FFFD where not UTF-8) with secrets masked unless shown, and its counts must agree
// with the report; the HTML must hold no element but the page's own, no raw '&' and no byte that
// would act on a terminal. Input: two type bytes, a flags byte (show secrets, strict, ignore
// keys holding "a"), then file 1, file 2 and the name of file 1, separated by "\n%%\n".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz/fuzz_check.h"
#include "report/html_report.h"
#include "varnic/compare.h"
#include "varnic/report/explain.h"
#include "varnic/report/hidden.h"
#include "varnic/report/ignore.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"
#include "varnic/report/stats.h"

namespace {

using varnic::fuzz::Check;
using varnic::fuzz::IsUtf8;
using varnic::report::CReport;

constexpr std::string_view kSeparator = "\n%%\n";
constexpr std::string_view kSecretLabel = "\xe2\x80\xb9secret ";  // "‹secret "

std::string_view Take(std::string_view& rest) {
  const std::size_t cut = rest.find(kSeparator);
  const std::string_view part = rest.substr(0, cut);
  rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kSeparator.size());
  return part;
}

// A string as it comes back from the JSON: itself when UTF-8; otherwise only its length bound
// is known (each bad byte becomes U+FFFD).
void CheckCarried(const nlohmann::json& value, std::string_view given, const char* what) {
  Check(value.is_string(), what);
  const auto& text = value.get_ref<const std::string&>();
  if (IsUtf8(given)) {
    Check(text == given, what);
  } else {
    Check(IsUtf8(text) && text.size() <= 3 * given.size(), what);
  }
}

// A value as the JSON must show it: null when absent, a label when secret and masked.
void CheckValue(const nlohmann::json& v, const std::optional<std::string_view>& given, bool masked,
                const char* what) {
  Check(given.has_value() != v.is_null(), "the JSON loses or invents a value");
  if (!given) return;
  if (masked) {
    Check(v.get_ref<const std::string&>().starts_with(kSecretLabel), "the JSON shows a secret");
  } else {
    CheckCarried(v, *given, what);
  }
}

void CheckLine(const nlohmann::json& v, std::uint32_t line) {
  Check(line == 0 ? v.is_null() : v == line, "the JSON changes a line number");
}

void CheckJson(const CReport& report, bool showSecrets) {
  std::ostringstream out;
  varnic::report::WriteJson(report, showSecrets, out);
  const nlohmann::json doc = nlohmann::json::parse(out.str(), nullptr, false);
  Check(!doc.is_discarded(), "the JSON report does not parse");
  Check(doc["schema_version"] == 3, "the JSON has another schema version");
  CheckCarried(doc["inputs"][0]["path"], report.left.path, "the JSON changes a file name");
  Check(doc["differs"] == report.verdict.Differs(), "the JSON changes the verdict");
  Check(doc["counts"]["hidden_differences"] == report.verdict.hiddenDifferences,
        "the JSON changes the count of hidden differences");
  const auto& entries = doc["entries"];
  Check(entries.is_array() && entries.size() == report.entries.size(),
        "the JSON has another number of entries");
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    const varnic::report::CEntry& e = report.entries[i];
    const auto& j = entries[i];
    CheckCarried(j["key"], e.key, "the JSON changes a key");
    CheckCarried(j["section"], e.section, "the JSON changes a section");
    Check(j["status"] == varnic::report::StatusName(e.status), "the JSON changes a status");
    Check(j["ignored"] == e.ignored, "the JSON changes an ignore");
    CheckLine(j["left_line"], e.leftLine);
    CheckLine(j["right_line"], e.rightLine);
    const bool masked = !showSecrets && varnic::report::IsSecretKey(e.key);
    CheckValue(j["left"], e.left, masked, "the JSON changes a value");
    CheckValue(j["right"], e.right, masked, "the JSON changes a value");
  }
  const auto& hidden = doc["hidden_differences"];
  Check(hidden.is_array() && hidden.size() == report.hidden.size(),
        "the JSON has another number of hidden differences");
  for (std::size_t i = 0; i < report.hidden.size(); ++i) {
    const varnic::report::CHiddenDifference& h = report.hidden[i];
    const auto& j = hidden[i];
    CheckCarried(j["key"], h.key, "the JSON changes a hidden key");
    CheckCarried(j["why"], h.why, "the JSON changes why a setting was not compared");
    Check(j["reason"] == varnic::report::HiddenReasonName(h.reason), "the JSON changes a reason");
    CheckLine(j["left_line"], h.leftLine);
    CheckLine(j["right_line"], h.rightLine);
    const bool masked = !showSecrets && varnic::report::IsSecretKey(h.key);
    CheckValue(j["left"], h.left, masked, "the JSON changes a hidden value");
    CheckValue(j["right"], h.right, masked, "the JSON changes a hidden value");
  }
  // Every address said added is one file 2 lists and file 1 does not, and the other way round.
  for (const auto& filter : doc["mac_filters"]) {
    for (const auto& [name, lists] : {std::pair{"added", true}, std::pair{"removed", false}}) {
      for (const auto& address : filter[name]) {
        bool inLeft = false;
        bool inRight = false;
        for (const auto& e : entries) {
          if (e["section"] != filter["section"] || e["ignored"] == true ||
              !e["key"].get_ref<const std::string&>().starts_with("filter_mac_add")) {
            continue;
          }
          const auto trimmed = [](const nlohmann::json& v) {
            if (v.is_null()) return std::string();
            std::string text = v.get<std::string>();
            text.erase(text.find_last_not_of(" \t") + 1);
            return text;
          };
          // The side a set-aside line fills is not compared: its address is in no list.
          const bool setAside = !e["set_aside"].is_null();
          const bool leftCompared = !(setAside && e["status"] == "only_right");
          const bool rightCompared = !(setAside && e["status"] == "only_left");
          inLeft =
              inLeft || (leftCompared && !e["left"].is_null() && trimmed(e["left"]) == address);
          inRight =
              inRight || (rightCompared && !e["right"].is_null() && trimmed(e["right"]) == address);
        }
        Check(lists ? (inRight && !inLeft) : (inLeft && !inRight),
              "the JSON lists a MAC address change no file shows");
      }
    }
  }
  Check(doc["summary"]["sections"].size() + 1 == std::max<std::size_t>(report.stats.size(), 1),
        "the JSON summary has another number of sections");
  Check(doc["summary"]["total"].is_object(), "the JSON summary has no total");
  // Lines set aside for one reason are one object, which still names every one of them.
  Check(doc["explanations"].size() == varnic::report::GroupExplanations(report.explanations).size(),
        "the JSON has another number of explanations");
  std::set<std::pair<int, std::uint32_t>> numbered;
  for (const auto& e : doc["explanations"]) {
    const int file = e["file"].get<int>();
    if (e["line"].is_number()) numbered.emplace(file, e["line"].get<std::uint32_t>());
    for (const auto& n : e.value("lines", nlohmann::json::array())) {
      numbered.emplace(file, n.get<std::uint32_t>());
    }
  }
  for (const varnic::report::CExplanation& e : report.explanations) {
    Check(e.lineNumber == 0 || numbered.contains({e.file, e.lineNumber}),
          "the JSON leaves out the number of a line set aside");
    for (const std::uint32_t n : e.lineNumbers) {
      Check(numbered.contains({e.file, n}), "the JSON leaves out the number of a line of a run");
    }
  }
  for (const auto& e : doc["explanations"]) {
    Check(e["rule"].is_null() == (e["kind"] != "filtered"), "the JSON gives a rule to no filter");
    Check(e["after"].is_null() == (e["kind"] != "renumbered"), "the JSON misplaces a renumbering");
    Check(e["other_key"].is_null() == (e["kind"] != "spacing"), "the JSON misplaces a spacing");
  }
}

// Every tag after the page's fixed head is one the page itself writes.
const std::set<std::string, std::less<>>& PageTags() {
  static const std::set<std::string, std::less<>> tags = [] {
    std::set<std::string, std::less<>> page = {"h1",
                                               "/h1",
                                               "h2",
                                               "/h2",
                                               "p",
                                               "/p",
                                               "code",
                                               "/code",
                                               "br",
                                               "strong",
                                               "/strong",
                                               "span class=\"note\"",
                                               "/span",
                                               "div class=\"banner ok\"",
                                               "div class=\"banner differs\"",
                                               "div class=\"banner warn\"",
                                               "/div",
                                               "ul",
                                               "ul class=\"legend\"",
                                               "/ul",
                                               "li",
                                               "/li",
                                               "table",
                                               "table class=\"counts\"",
                                               "/table",
                                               "tr",
                                               "/tr",
                                               "th",
                                               "th class=\"sec\"",
                                               "th class=\"key\"",
                                               "th class=\"st\"",
                                               "th class=\"why\"",
                                               "/th",
                                               "td",
                                               "td class=\"v l\"",
                                               "td class=\"v r\"",
                                               "/td",
                                               "tr class=\"hidden\"",
                                               "tr class=\"hidden ignored\"",
                                               "details",
                                               "details open",
                                               "/details",
                                               "summary",
                                               "/summary",
                                               "/body",
                                               "/html"};
    for (const char* mark : {"same", "different", "only", "hidden", "ignored"}) {
      page.insert(std::string("span class=\"mark ") + mark + "\"");
    }
    for (const char* status : {"same", "different", "only_left", "only_right"}) {
      page.insert(std::string("tr class=\"") + status + "\"");
      page.insert(std::string("tr class=\"") + status + " ignored\"");
    }
    return page;
  }();
  return tags;
}

void CheckHtml(const CReport& report, bool showSecrets, std::string_view head) {
  const std::string html = varnic::report::RenderHtml(report, showSecrets);
  Check(html.starts_with(head), "the HTML head changed");
  Check(IsUtf8(html), "the HTML is not UTF-8");
  for (const char c : html) {
    const auto b = static_cast<unsigned char>(c);
    Check(b == '\n' || (b >= 0x20 && b != 0x7f), "the HTML holds a control byte");
  }
  std::string_view body = std::string_view(html).substr(head.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '<') {
      const std::size_t end = body.find('>', i);
      Check(end != std::string_view::npos, "an unclosed tag in the HTML");
      Check(PageTags().contains(body.substr(i + 1, end - i - 1)), "the HTML holds a foreign tag");
      i = end;
    } else if (body[i] == '>') {
      Check(false, "a raw '>' in the HTML text");
    } else if (body[i] == '&') {
      const std::string_view at = body.substr(i);
      Check(at.starts_with("&amp;") || at.starts_with("&lt;") || at.starts_with("&gt;") ||
                at.starts_with("&quot;") || at.starts_with("&#39;"),
            "a raw '&' in the HTML");
    } else if (body[i] == '"' || body[i] == '\'') {
      Check(false, "a raw quote in the HTML text");
    }
  }
}

std::string PageHead() {
  const std::string html = varnic::report::RenderHtml(CReport{}, false);
  const std::size_t body = html.find("<body>\n");
  Check(body != std::string::npos, "the page has no body");
  return html.substr(0, body + 7);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string head = PageHead();
  if (size < 3) return 0;
  const auto type1 = static_cast<std::int32_t>(data[0] % 4) - 1;
  const auto type2 = static_cast<std::int32_t>(data[1] % 4) - 1;
  const bool showSecrets = (data[2] & 1U) != 0;
  std::string_view rest = varnic::fuzz::AsText(data + 3, size - 3);
  const std::string_view text1 = Take(rest);
  const std::string_view text2 = Take(rest);

  const varnic::CComparison comparison =
      varnic::Compare({std::string(text1), type1}, {std::string(text2), type2});
  varnic::report::CIgnoreList ignores;
  std::string error;
  if ((data[2] & 4U) != 0) ignores.Add("*a*", error);
  varnic::report::CReportOptions options;
  options.ignores = &ignores;
  options.strict = (data[2] & 2U) != 0;
  CReport report = varnic::report::BuildReport(
      comparison, {std::string(rest), type1, comparison.LinesRead(varnic::FileSide::kFile1)},
      {"b.cfg", type2, comparison.LinesRead(varnic::FileSide::kFile2)}, options);
  report.ignorePatterns = ignores.patterns();
  report.generatedAt = "2024-01-01 00:00 UTC";

  CheckJson(report, showSecrets);
  CheckHtml(report, showSecrets, head);
  return 0;
}
