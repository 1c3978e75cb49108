// The JSON and HTML reports of a comparison of two fuzzed files, one of them under a fuzzed
// name. The JSON must parse and carry every key and value as given (as U+FFFD where not UTF-8)
// with secrets masked unless shown; the HTML must hold no element but the page's own, no raw '&'
// and no byte that would act on a terminal. Input: two type bytes, a flags byte, then file 1,
// file 2 and the name of file 1, separated by "\n%%\n".
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "report/explain.h"
#include "report/html_report.h"
#include "report/json_report.h"
#include "report/report_model.h"
#include "report/secrets.h"
#include "report/stats.h"
#include "varnic/compare.h"

namespace {

using varnic::cli::CReport;
using varnic::fuzz::Check;
using varnic::fuzz::IsUtf8;

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

void CheckJson(const CReport& report, bool showSecrets) {
  std::ostringstream out;
  varnic::cli::WriteJson(report, showSecrets, out);
  const nlohmann::json doc = nlohmann::json::parse(out.str(), nullptr, false);
  Check(!doc.is_discarded(), "the JSON report does not parse");
  CheckCarried(doc["inputs"][0]["path"], report.left.path, "the JSON changes a file name");
  const auto& entries = doc["entries"];
  Check(entries.is_array() && entries.size() == report.entries.size(),
        "the JSON has another number of entries");
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    const varnic::cli::CEntry& e = report.entries[i];
    const auto& j = entries[i];
    CheckCarried(j["key"], e.key, "the JSON changes a key");
    CheckCarried(j["section"], e.section, "the JSON changes a section");
    Check(j["status"] == varnic::cli::StatusName(e.status), "the JSON changes a status");
    const bool masked = !showSecrets && varnic::cli::IsSecretKey(e.key);
    for (const auto& [side, name] : {std::pair{&e.left, "left"}, {&e.right, "right"}}) {
      const auto& v = j[name];
      Check(side->has_value() != v.is_null(), "the JSON loses or invents a value");
      if (!side->has_value()) continue;
      if (masked) {
        Check(v.get_ref<const std::string&>().starts_with(kSecretLabel), "the JSON shows a secret");
      } else {
        CheckCarried(v, **side, "the JSON changes a value");
      }
    }
  }
  Check(doc["explanations"].size() == report.explanations.size(),
        "the JSON has another number of explanations");
}

// Every tag after the page's fixed head is one the page itself writes.
const std::set<std::string, std::less<>>& PageTags() {
  static const std::set<std::string, std::less<>> tags = {"h1",
                                                          "/h1",
                                                          "h2",
                                                          "/h2",
                                                          "p",
                                                          "/p",
                                                          "code",
                                                          "/code",
                                                          "br",
                                                          "table",
                                                          "/table",
                                                          "table class=\"counts\"",
                                                          "tr",
                                                          "/tr",
                                                          "th",
                                                          "/th",
                                                          "td",
                                                          "/td",
                                                          "td class=\"v l\"",
                                                          "td class=\"v r\"",
                                                          "tr class=\"same\"",
                                                          "tr class=\"different\"",
                                                          "tr class=\"only_left\"",
                                                          "tr class=\"only_right\"",
                                                          "details",
                                                          "details open",
                                                          "/details",
                                                          "summary",
                                                          "/summary",
                                                          "ul",
                                                          "/ul",
                                                          "li",
                                                          "/li",
                                                          "/body",
                                                          "/html"};
  return tags;
}

void CheckHtml(const CReport& report, bool showSecrets, std::string_view head) {
  const std::string html = varnic::cli::RenderHtml(report, showSecrets);
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
  const std::string html = varnic::cli::RenderHtml(CReport{}, false);
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
  CReport report;
  report.left = {std::string(rest), type1, comparison.LinesRead(varnic::FileSide::kFile1)};
  report.right = {"b.cfg", type2, comparison.LinesRead(varnic::FileSide::kFile2)};
  report.entries = varnic::cli::EntriesOf(comparison);
  report.stats = varnic::cli::ComputeStats(comparison);
  report.explanations = varnic::cli::ExplanationsOf(comparison, report.explanationTexts);
  report.generatedAt = "2024-01-01 00:00 UTC";

  CheckJson(report, showSecrets);
  CheckHtml(report, showSecrets, head);
  return 0;
}
