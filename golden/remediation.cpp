#include "golden/remediation.h"

#include <array>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <utility>

#include "varnic/lines.h"

namespace varnic::golden {
namespace {

// The key of line `number` (from 1) of `lines`, or `fallback` when there is none.
std::string_view KeyAt(const CLines& lines, std::uint32_t number, std::string_view fallback) {
  if (number == 0 || number > lines.size()) return fallback;
  const std::string_view line = lines[number - 1];
  return line.substr(0, line.find('='));
}

std::string_view Stem(std::string_view key) {
  while (!key.empty() && key.back() >= '0' && key.back() <= '9') key.remove_suffix(1);
  return key;
}

// The line (from 1) of a setting whose row lost its line number (MAC entries matched by address
// are renumbered): the first line of its section, after the section's last header, with the
// same key up to its number and the same value, that no other remedy took. 0 when none.
std::uint32_t FindLine(const CLines& lines, std::string_view section, std::string_view key,
                       std::string_view value, std::set<std::uint32_t>& taken) {
  std::size_t start = lines.size();
  for (std::size_t i = lines.size(); i-- > 0;) {
    if (lines[i] == section) {
      start = i + 1;
      break;
    }
  }
  for (std::size_t i = start; i < lines.size() && !lines[i].starts_with('['); ++i) {
    const std::size_t equals = lines[i].find('=');
    if (equals == std::string_view::npos || lines[i].substr(equals + 1) != value ||
        Stem(lines[i].substr(0, equals)) != Stem(key)) {
      continue;
    }
    const auto number = static_cast<std::uint32_t>(i + 1);
    if (taken.insert(number).second) return number;
  }
  return 0;
}

std::string_view Text(const std::optional<std::string_view>& value) {
  return value ? *value : std::string_view();
}

}  // namespace

std::vector<CRemedyView> RemediationViews(const report::CReport& report,
                                          const std::vector<CFailedRule>& failed,
                                          std::string_view device, bool strict) {
  std::map<std::pair<std::string_view, std::string_view>, const CFailedRule*> rules;
  for (const CFailedRule& rule : failed)
    rules.emplace(std::pair<std::string_view, std::string_view>(rule.section, rule.key), &rule);
  // The device's lines, split only for a row that does not name its line and key already (a
  // hidden difference, a renumbered MAC entry): most drifted devices have none. Reused device
  // after device.
  thread_local CLines split;
  bool splitDone = false;
  const auto lines = [&]() -> const CLines& {
    if (!splitDone) SplitLines(device, split);
    splitDone = true;
    return split;
  };
  std::vector<CRemedyView> remedies;
  // A drifted device calls for an edit a row: room for them all at once, not moved as it grows.
  remedies.reserve(report.entries.size() + (strict ? report.hidden.size() : 0));
  std::set<std::uint32_t> taken;
  // `deviceKey`: the key as the device's line `rightLine` spells it, when the row says so.
  const auto add = [&](std::string_view section, std::string_view key,
                       const std::optional<std::string_view>& left,
                       const std::optional<std::string_view>& right, std::uint32_t rightLine,
                       std::string_view deviceKey) {
    if (rightLine == 0 && right) rightLine = FindLine(lines(), section, key, *right, taken);
    CRemedyView remedy;
    remedy.section = section;
    remedy.deviceLine = rightLine;
    remedy.key = !deviceKey.empty() ? deviceKey
                 : rightLine == 0   ? key
                                    : KeyAt(lines(), rightLine, key);
    if (!left) {
      remedy.kind = RemedyKind::kRemove;
      remedy.value = Text(right);
      remedies.push_back(remedy);
      return;
    }
    remedy.kind = right ? RemedyKind::kSet : RemedyKind::kAdd;
    remedy.value = *left;
    remedy.previous = Text(right);
    const auto rule = rules.find({section, key});
    if (rule != rules.end()) {
      if (rule->second->singleValue) {
        remedy.value = *rule->second->singleValue;
      } else {
        remedy.kind = RemedyKind::kManual;
        remedy.value = Text(right);
        remedy.rule = rule->second->rule;
      }
    }
    remedies.push_back(remedy);
  };
  for (const report::CEntry& e : report.entries) {
    // A line without "=" (a comment, a blank line) is no setting: it is left as the device has it.
    if (e.status == RowKind::kSame || e.ignored || e.key.empty()) continue;
    const std::optional<std::string_view> right =
        e.status == RowKind::kOnlyLeft ? std::nullopt : e.right;
    // A row's own line is named by its number, and its key as that line spells it.
    const bool named = right && e.rightLine != 0;
    add(e.section, e.key, e.status == RowKind::kOnlyRight ? std::nullopt : e.left, right,
        e.rightLine, named ? e.KeyIn(FileSide::kFile2) : std::string_view());
  }
  if (strict) {
    for (const report::CHiddenDifference& h : report.hidden) {
      if (!h.ignored && !h.key.empty()) add(h.section, h.key, h.left, h.right, h.rightLine, {});
    }
  }
  return remedies;
}

CRemedy Owned(const CRemedyView& remedy) {
  return {remedy.kind,
          std::string(remedy.section),
          std::string(remedy.key),
          std::string(remedy.value),
          std::string(remedy.rule),
          remedy.deviceLine,
          std::string(remedy.previous)};
}

std::vector<CRemedy> Remediation(const report::CReport& report,
                                 const std::vector<CFailedRule>& failed, std::string_view device,
                                 bool strict) {
  const std::vector<CRemedyView> views = RemediationViews(report, failed, device, strict);
  std::vector<CRemedy> remedies;
  remedies.reserve(views.size());
  for (const CRemedyView& view : views) remedies.push_back(Owned(view));
  return remedies;
}

void WriteRemediation(const std::vector<CRemedy>& remedies, std::ostream& out) {
  std::string section;
  for (const CRemedy& remedy : remedies) {
    if (remedy.section != section) {
      section = remedy.section;
      out << section << "\n";
    }
    switch (remedy.kind) {
      case RemedyKind::kSet:
        out << "set " << remedy.key << "=" << remedy.value << "\n";
        break;
      case RemedyKind::kAdd:
        out << "add " << remedy.key << "=" << remedy.value << "\n";
        break;
      case RemedyKind::kRemove:
        out << "remove " << remedy.key << "=" << remedy.value << "\n";
        break;
      case RemedyKind::kManual:
        out << "manual: " << remedy.key << "=" << remedy.value << " fails {{ " << remedy.rule
            << " }}\n";
        break;
    }
  }
}

const char* ActionName(RemedyKind kind) {
  static constexpr std::array<const char*, 4> kActions = {"set", "add", "remove", "manual"};
  return kActions.at(static_cast<std::size_t>(kind));
}

std::vector<report::CRemediationItem> ReportItems(const std::vector<CRemedy>& remedies) {
  std::vector<report::CRemediationItem> items;
  items.reserve(remedies.size());
  for (const CRemedy& remedy : remedies) {
    items.push_back(
        {ActionName(remedy.kind), remedy.section, remedy.key, remedy.value, remedy.rule});
  }
  return items;
}

}  // namespace varnic::golden
