#include "report/json_report.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "report/device_types.h"
#include "report/json_writer.h"
#include "report/secrets.h"
#include "report/version.h"

namespace varnic::cli {
namespace {

constexpr std::string_view kMacKeyPrefix = "filter_mac_add";

std::string_view TrimTrailingSpaces(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \t");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// The addresses of `from` that `other` lacks, each once, in line order.
std::vector<std::string_view> Missing(std::vector<std::pair<std::uint32_t, std::string_view>>& from,
                                      const std::unordered_set<std::string_view>& other) {
  // Rows follow file 1's keys, so file 2's addresses come back to its own order by line.
  std::stable_sort(from.begin(), from.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string_view> missing;
  std::unordered_set<std::string_view> told;
  for (const auto& [line, address] : from) {
    if (!other.contains(address) && told.insert(address).second) missing.push_back(address);
  }
  return missing;
}

void Counts(CJsonWriter& json, const CSectionStats& s) {
  json.Member("same", s.same);
  json.Member("different", s.different);
  json.Member("only_left", s.onlyLeft);
  json.Member("only_right", s.onlyRight);
  json.Member("dropped", s.dropped);
  json.Member("reconciled", s.reconciled);
  json.Member("hidden", s.hidden);
  json.Member("ignored", s.ignored);
}

void LineNumber(CJsonWriter& json, std::string_view name, std::uint32_t line) {
  json.Key(name);
  if (line == 0) {
    json.Null();
  } else {
    json.Int(line);
  }
}

}  // namespace

std::vector<CMacFilterChanges> MacFilterChangesOf(const CReport& report) {
  struct CSides {
    std::string_view section;
    std::vector<std::pair<std::uint32_t, std::string_view>> left;
    std::vector<std::pair<std::uint32_t, std::string_view>> right;
  };
  const std::string_view filter5 = SectionHeader(Section::k5GHzFilter);
  const std::string_view filter24 = SectionHeader(Section::k24GHzFilter);
  std::vector<CSides> sides;
  for (const CEntry& e : report.entries) {
    if ((e.section != filter5 && e.section != filter24) || !e.key.starts_with(kMacKeyPrefix) ||
        e.ignored) {
      continue;
    }
    if (sides.empty() || sides.back().section != e.section) sides.push_back({e.section, {}, {}});
    // Entries without a line number (made by hand) keep their order: 0 sorts first, stably.
    if (e.left) sides.back().left.emplace_back(e.leftLine, TrimTrailingSpaces(*e.left));
    if (e.right) sides.back().right.emplace_back(e.rightLine, TrimTrailingSpaces(*e.right));
  }
  std::vector<CMacFilterChanges> changes;
  changes.reserve(sides.size());
  for (CSides& s : sides) {
    std::unordered_set<std::string_view> left;
    std::unordered_set<std::string_view> right;
    for (const auto& [line, address] : s.left) left.insert(address);
    for (const auto& [line, address] : s.right) right.insert(address);
    changes.push_back({s.section, Missing(s.right, left), Missing(s.left, right)});
  }
  return changes;
}

void WriteJson(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* runMasker) {
  CSecretMasker ownMasker;
  CSecretMasker& masker = runMasker != nullptr ? *runMasker : ownMasker;
  // A value gets the label every output of the run gives it, whichever is written first.
  if (!showSecrets) masker.Prime(report);
  CJsonWriter json(out);
  const auto value = [&](const std::optional<std::string_view>& text, bool secret) {
    if (!text) {
      json.Null();
    } else if (secret && !showSecrets) {
      json.String(masker.LabelFor(*text));
    } else {
      json.String(*text);
    }
  };
  std::string masked;
  const auto line = [&](std::string_view text) {
    json.String(showSecrets ? text : masker.MaskLine(text, masked));
  };
  const auto lineOrNull = [&](bool present, std::string_view text) {
    if (present) {
      line(text);
    } else {
      json.Null();
    }
  };

  json.BeginObject();
  json.Member("schema_version", 3);
  json.Key("tool");
  json.BeginObject();
  json.Member("name", "varnic");
  json.Member("version", kVersion);
  json.EndObject();
  json.Key("inputs");
  json.BeginArray();
  for (const CInput* input : {&report.left, &report.right}) {
    json.BeginObject();
    json.Member("path", input->path);
    json.Member("type", input->type);
    json.Key("role");
    const std::string_view role = TypeName(input->type);
    if (role.empty()) {
      json.Null();
    } else {
      json.String(role);
    }
    json.Member("lines", input->lines);
    json.EndObject();
  }
  json.EndArray();

  json.Member("differs", report.verdict.Differs());
  json.Member("strict", report.verdict.strict);
  json.Key("counts");
  json.BeginObject();
  json.Member("differences", report.verdict.differences);
  json.Member("hidden_differences", report.verdict.hiddenDifferences);
  json.Member("ignored", report.verdict.ignored);
  json.EndObject();
  json.Key("ignore_patterns");
  json.BeginArray();
  for (const std::string& pattern : report.ignorePatterns) json.String(pattern);
  json.EndArray();

  json.Key("entries");
  json.BeginArray();
  for (const CEntry& e : report.entries) {
    const bool secret = IsSecretKey(e.key);
    json.BeginObject();
    json.Member("section", e.section);
    json.Member("key", e.key);
    json.Key("left");
    value(e.left, secret);
    json.Key("right");
    value(e.right, secret);
    json.Member("status", StatusName(e.status));
    LineNumber(json, "left_line", e.leftLine);
    LineNumber(json, "right_line", e.rightLine);
    json.Member("ignored", e.ignored);
    json.EndObject();
  }
  json.EndArray();

  json.Key("hidden_differences");
  json.BeginArray();
  for (const CHiddenDifference& h : report.hidden) {
    const bool secret = IsSecretKey(h.key);
    json.BeginObject();
    json.Member("section", SectionHeader(h.section));
    json.Member("key", h.key);
    json.Key("left");
    value(h.left, secret);
    json.Key("right");
    value(h.right, secret);
    LineNumber(json, "left_line", h.leftLine);
    LineNumber(json, "right_line", h.rightLine);
    json.Member("reason", HiddenReasonName(h.reason));
    json.Member("why", h.why);
    json.Member("ignored", h.ignored);
    json.EndObject();
  }
  json.EndArray();

  json.Key("mac_filters");
  json.BeginArray();
  for (const CMacFilterChanges& filter : MacFilterChangesOf(report)) {
    json.BeginObject();
    json.Member("section", filter.section);
    for (const auto& [name, addresses] :
         {std::pair{"added", &filter.added}, std::pair{"removed", &filter.removed}}) {
      json.Key(name);
      json.BeginArray();
      for (const std::string_view address : *addresses) json.String(address);
      json.EndArray();
    }
    json.EndObject();
  }
  json.EndArray();

  json.Key("summary");
  json.BeginObject();
  json.Key("sections");
  json.BeginArray();
  // The last row is the total, written apart.
  const std::size_t sections = report.stats.empty() ? 0 : report.stats.size() - 1;
  for (std::size_t i = 0; i < sections; ++i) {
    json.BeginObject();
    json.Member("section", report.stats[i].section);
    Counts(json, report.stats[i]);
    json.EndObject();
  }
  json.EndArray();
  json.Key("total");
  json.BeginObject();
  Counts(json, report.stats.empty() ? CSectionStats{"total"} : report.stats.back());
  json.EndObject();
  json.EndObject();

  json.Key("explanations");
  json.BeginArray();
  for (const CExplanation& e : report.explanations) {
    using Kind = CExplanation::Kind;
    json.BeginObject();
    json.Member("kind", KindName(e.kind));
    json.Member("file", e.file);
    json.Member("section", e.section);
    json.Key("line");
    line(e.line);
    json.Member("reason", e.reason);
    json.Key("rule");
    lineOrNull(e.kind == Kind::kFiltered, e.detail);
    json.Key("after");
    lineOrNull(e.kind == Kind::kRenumbered, e.detail);
    json.Key("other_key");
    lineOrNull(e.kind == Kind::kSpacing, e.detail);
    json.EndObject();
  }
  json.EndArray();
  if (report.remediation) {
    json.Key("remediation");
    json.BeginArray();
    for (const CRemediationItem& item : *report.remediation) {
      json.BeginObject();
      json.Member("action", item.action);
      json.Member("section", item.section);
      json.Member("key", item.key);
      json.Key("value");
      value(std::string_view(item.value), IsSecretKey(item.key));
      json.Key("rule");
      lineOrNull(!item.rule.empty(), item.rule);
      json.EndObject();
    }
    json.EndArray();
  }
  json.EndObject();
  json.Flush();
  out << '\n';
}

}  // namespace varnic::cli
