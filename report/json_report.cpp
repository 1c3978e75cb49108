#include "varnic/report/json_report.h"

#include <algorithm>
#include <array>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "report/json_writer.h"
#include "report/version.h"
#include "varnic/report/device_types.h"
#include "varnic/report/secrets.h"

namespace varnic::report {
namespace {

constexpr std::string_view kMacKeyPrefix = "filter_mac_add";

// A MAC address as its entry holds it, without the spaces and tabs after it (not the engine's
// TrimTrailingSpaces, which leaves tabs).
std::string_view TrimTrailingBlanks(std::string_view text) {
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
    // Entries without a line number (made by hand) keep their order: 0 sorts first, stably. A
    // value set aside in the other file is not in its list.
    if (e.left && e.InLeft())
      sides.back().left.emplace_back(e.leftLine, TrimTrailingBlanks(*e.left));
    if (e.right && e.InRight()) {
      sides.back().right.emplace_back(e.rightLine, TrimTrailingBlanks(*e.right));
    }
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

std::vector<CExplanationGroup> GroupExplanations(const std::vector<CExplanation>& explanations) {
  using Kind = CExplanation::Kind;
  struct CKey {
    Kind kind;
    int file;
    std::string_view section;
    std::string_view reason;
    std::string_view detail;
    bool operator==(const CKey&) const = default;
  };
  struct CHash {
    std::size_t operator()(const CKey& k) const {
      const std::hash<std::string_view> h;
      return h(k.reason) ^ (h(k.detail) * 31U) ^ (h(k.section) * 131U) ^
             (static_cast<std::size_t>(k.kind) << 4U) ^ static_cast<std::size_t>(k.file);
    }
  };
  // Same view, same text: the texts of a report are kept once, so most lookups stop here.
  const auto same = [](std::string_view a, std::string_view b) {
    return (a.data() == b.data() && a.size() == b.size()) || a == b;
  };
  std::vector<CExplanationGroup> groups;
  std::unordered_map<CKey, std::size_t, CHash> byKey;
  std::size_t last = 0;  // the group the previous line joined: lines of one reason come in runs
  for (std::size_t i = 0; i < explanations.size(); ++i) {
    const CExplanation& e = explanations[i];
    // A renumbering and a spacing hint say something of their own line; a cleared band is
    // already one note. A run's lines are all numbered or none is.
    if (e.kind == Kind::kRenumbered || e.kind == Kind::kSpacing || e.kind == Kind::kBandCleared ||
        e.lineNumber == 0) {
      for (std::uint32_t k = 0; k < e.lines; ++k) groups.push_back({i, {}, k});
      continue;
    }
    const std::span<const std::uint32_t> numbers =
        e.lines > 1 ? std::span<const std::uint32_t>(e.lineNumbers)
                    : std::span<const std::uint32_t>(&e.lineNumber, 1);
    bool joined = false;
    if (!groups.empty()) {
      const CExplanation& previous = explanations[groups[last].first];
      joined = !groups[last].lines.empty() && previous.kind == e.kind && previous.file == e.file &&
               same(previous.reason, e.reason) && same(previous.detail, e.detail) &&
               same(previous.section, e.section);
    }
    if (!joined) {
      const auto [it, added] =
          byKey.try_emplace(CKey{e.kind, e.file, e.section, e.reason, e.detail}, groups.size());
      if (added) groups.push_back({i, {}});
      last = it->second;
    }
    // The lines after a run's first join the group its first joined.
    std::vector<std::uint32_t>& lines = groups[last].lines;
    lines.insert(lines.end(), numbers.begin(), numbers.end());
  }
  return groups;
}

void WriteJson(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* runMasker) {
  CSecretMasker ownMasker;
  CSecretMasker& masker = runMasker != nullptr ? *runMasker : ownMasker;
  // A value gets the label every output of the run gives it, whichever is written first; the
  // run's masker is primed already (a second pass over every secret cost 3% of a report).
  if (!showSecrets && runMasker == nullptr) masker.Prime(report);
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

  const auto textOrNull = [&](bool present, std::string_view text) {
    if (present) {
      json.String(text);
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
  for (const auto& [input, other] :
       {std::pair{&report.left, &report.right}, std::pair{&report.right, &report.left}}) {
    json.BeginObject();
    json.Member("path", input->path);
    json.Member("type", input->type);
    json.Member("inferred", input->inferred);
    json.Key("role");
    const std::string_view role = RoleOf(*input, *other);
    json.StringOrNull(role);
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
  CJsonShape entryShape({"section", "key", "left", "right", "status", "left_line", "right_line",
                         "left_key", "right_key", "set_aside", "ignored"});
  const auto lineNumber = [&](std::uint32_t n) {
    if (n == 0) {
      json.Null();
    } else {
      json.Int(n);
    }
  };
  // Entries of a section share its name: checked once a run of them, not once an entry.
  std::string_view checkedSection;
  bool sectionPlain = false;
  const auto plain = [](const std::optional<std::string_view>& text) {
    return !text || IsPlainJson(*text);
  };
  const auto textOr = [](bool present, std::string_view text) {
    return present ? CJsonField::Text(text) : CJsonField::Null();
  };
  const auto numberOr = [](std::uint32_t n) {
    return n == 0 ? CJsonField::Null() : CJsonField::Int(n);
  };
  for (const CEntry& e : report.entries) {
    const bool secret = IsSecretKey(e.key);
    if (e.section.data() != checkedSection.data() || e.section.size() != checkedSection.size()) {
      checkedSection = e.section;
      sectionPlain = IsPlainJson(e.section);
    }
    const std::string_view leftKey = e.KeyIn(FileSide::kFile1);
    const std::string_view rightKey = e.KeyIn(FileSide::kFile2);
    // Most entries need no escape and no label: written whole.
    if (sectionPlain && (!secret || showSecrets) && IsPlainJson(e.key) && plain(e.left) &&
        plain(e.right) && (leftKey.data() == e.key.data() || IsPlainJson(leftKey)) &&
        (rightKey.data() == e.key.data() || IsPlainJson(rightKey)) && IsPlainJson(e.setAsideWhy)) {
      const std::array<CJsonField, 11> fields = {CJsonField::Text(e.section),
                                                 CJsonField::Text(e.key),
                                                 textOr(e.left.has_value(), e.left.value_or("")),
                                                 textOr(e.right.has_value(), e.right.value_or("")),
                                                 CJsonField::Text(StatusText(e.status)),
                                                 numberOr(e.leftLine),
                                                 numberOr(e.rightLine),
                                                 textOr(e.left.has_value(), leftKey),
                                                 textOr(e.right.has_value(), rightKey),
                                                 textOr(!e.setAsideWhy.empty(), e.setAsideWhy),
                                                 CJsonField::Bool(e.ignored)};
      json.PlainObject(entryShape, fields);
      continue;
    }
    json.BeginObject(entryShape);
    if (sectionPlain) {
      json.PlainString(e.section);
    } else {
      json.String(e.section);
    }
    json.String(e.key);
    value(e.left, secret);
    value(e.right, secret);
    json.PlainString(StatusText(e.status));
    lineNumber(e.leftLine);
    lineNumber(e.rightLine);
    textOrNull(e.left.has_value(), e.KeyIn(FileSide::kFile1));
    textOrNull(e.right.has_value(), e.KeyIn(FileSide::kFile2));
    textOrNull(!e.setAsideWhy.empty(), e.setAsideWhy);
    json.Bool(e.ignored);
    json.EndObject();
  }
  json.EndArray();

  json.Key("hidden_differences");
  json.BeginArray();
  CJsonShape hiddenShape(
      {"section", "key", "left", "right", "left_line", "right_line", "reason", "why", "ignored"});
  for (const CHiddenDifference& h : report.hidden) {
    const bool secret = IsSecretKey(h.key);
    json.BeginObject(hiddenShape);
    json.String(h.section);
    json.String(h.key);
    value(h.left, secret);
    value(h.right, secret);
    lineNumber(h.leftLine);
    lineNumber(h.rightLine);
    json.String(HiddenReasonName(h.reason));
    json.String(h.why);
    json.Bool(h.ignored);
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
  for (const CExplanationGroup& group : GroupExplanations(report.explanations)) {
    using Kind = CExplanation::Kind;
    const CExplanation& e = report.explanations[group.first];
    json.BeginObject();
    json.Member("kind", KindName(e.kind));
    json.Member("file", e.file);
    json.Member("section", e.section);
    // A group that names a later line of a run is one of its unnumbered lines.
    LineNumber(json, "line", group.line == 0 ? e.lineNumber : 0);
    json.Key("text");
    line(e.Line(group.line));
    if (e.kind == Kind::kBandCleared || !group.lines.empty()) {
      json.Key("lines");
      json.BeginArray();
      json.Ints(e.kind == Kind::kBandCleared ? e.lineNumbers : group.lines);
      json.EndArray();
    }
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

}  // namespace varnic::report
