#include "report/reasons.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "model/hash_index.h"
#include "rules/rule_lists.h"

namespace varnic::report {
namespace {

std::string Setting(std::string_view key, std::string_view value) {
  return std::string(key).append("=").append(value);
}

bool OneOf(std::string_view key, std::initializer_list<std::string_view> keys) {
  for (const std::string_view k : keys) {
    if (key == k) return true;
  }
  return false;
}

// The setting a reader should look at when no wording fits the key: the governing setting of
// the first rule that names the key, as the file holds it ("not compared while
// Telnet_option=Disable"); for a key no rule names, the first real condition that held.
// Per section, the governing key of the first rule that names a key and has one. The rules
// never change: the index is built once, and a reason then costs one look-up, not a scan of
// every rule's key list (a large backup asks for one per line set aside).
std::string_view GoverningKeyFor(Section section, std::string_view key) {
  // Hashed as the engine hashes keys and held flat: the standard map's hash and node chase were
  // a third of a line's explanation. governing[i] is that of the i-th key of `named`.
  struct CSectionIndex {
    CViewSet named;
    std::vector<std::string_view> governing;
  };
  static const auto kIndex = [] {
    std::array<CSectionIndex, kSectionCount> index;
    for (std::size_t s = 0; s < kSectionCount; ++s) {
      CSectionIndex& own = index[s];
      for (const CRule& rule : RulesFor(static_cast<Section>(s))) {
        const std::string_view governing = rule.GoverningKey();
        if (governing.empty() || governing == "*") continue;
        // The first rule that names a key keeps it.
        for (const std::string_view named : rule.Keys()) {
          if (own.named.Insert(named)) own.governing.push_back(governing);
        }
      }
    }
    return index;
  }();
  const CSectionIndex& own = kIndex[static_cast<std::size_t>(section)];
  const std::uint32_t found = own.named.IndexOf(key);
  return found == CHashIndex::kNone ? std::string_view() : own.governing[found];
}

std::string GenericReason(const CChange& change, std::string_view key, const CChangeLog& log,
                          const CFileSettings& settings) {
  const CRuleList& rules = RulesFor(*change.section);
  if (const std::string_view governing = GoverningKeyFor(*change.section, key);
      !governing.empty()) {
    if (const auto value = settings.Value(change.file, *change.section, governing)) {
      return "not compared while " + Setting(governing, *value);
    }
    return "not compared: the file has no " + std::string(governing);
  }
  for (const std::uint16_t index : log.RuleSet(change)) {
    for (const CCondition& condition : rules[index].Conditions()) {
      if (condition.key == "*" || condition.value == "*") continue;
      return "not compared while " + Setting(condition.key, condition.value);
    }
  }
  return "not compared: no setting of the section makes it relevant";
}

// The SSID number a multi-SSID key belongs to, "SSID2_Ssid" -> "2".
std::optional<std::string_view> SsidNumber(std::string_view key) {
  if (!key.starts_with("SSID")) return std::nullopt;
  std::size_t end = 4;
  while (end < key.size() && key[end] >= '0' && key[end] <= '9') ++end;
  if (end == 4 || end >= key.size() || key[end] != '_') return std::nullopt;
  return key.substr(4, end - 4);
}

std::string MultiSsidReason(const CChange& change, std::string_view key,
                            const CFileSettings& settings) {
  const std::optional<std::string_view> n = SsidNumber(key);
  if (!n) return {};
  const std::string ssid = std::string("SSID").append(*n);
  const std::string statusKey = ssid + "_Status";
  const std::optional<std::string_view> status =
      settings.Value(change.file, *change.section, statusKey);
  if (!status) return ssid + " is not enabled: the file has no " + statusKey;
  if (status->find("Enable") == std::string_view::npos) {
    return ssid + " is disabled: " + Setting(statusKey, *status);
  }
  const std::string securityKey = ssid + "_Security";
  if (const auto security = settings.Value(change.file, *change.section, securityKey)) {
    return "not used while " + Setting(securityKey, *security);
  }
  return {};
}

std::string SecurityReason(const CChange& change, std::string_view key,
                           const CFileSettings& settings) {
  const auto auth = settings.Value(change.file, *change.section, "auth_type");
  if (!auth) return {};
  const std::string authSetting = Setting("auth_type", *auth);
  if (OneOf(key, {"key1", "key2", "key3", "key4", "keysize", "keytype", "active_key_index"})) {
    const auto wep = settings.Value(change.file, *change.section, "wep_status");
    if (wep && wep->find("Disable") != std::string_view::npos &&
        (auth->find("Open System") != std::string_view::npos ||
         auth->find("Shared Key") != std::string_view::npos)) {
      return "WEP is off: " + Setting("wep_status", *wep);
    }
    return "WEP keys are not used while " + authSetting;
  }
  if (key.starts_with("radius_")) return "RADIUS is not used while " + authSetting;
  if (OneOf(key, {"passphrase", "autorekey"})) {
    return "no passphrase is used while " + authSetting;
  }
  return "not used while " + authSetting;
}

std::string FilterReason(const CChange& change, std::string_view key,
                         const CFileSettings& settings) {
  if (!key.starts_with("filter_mac_add")) return {};
  const auto acl = settings.Value(change.file, *change.section, "filter_mac_acl");
  if (!acl) return {};
  if (acl->find("Disable") != std::string_view::npos) {
    return "MAC filtering is off: " + Setting("filter_mac_acl", *acl);
  }
  return {};
}

std::string SystemReason(const CChange& change, std::string_view key,
                         const CFileSettings& settings) {
  if (OneOf(key, {"Mask", "Gateway"})) {
    const auto dhcp = settings.Value(change.file, Section::kSystem, "DHCPclient");
    if (dhcp && dhcp->find("Enable") != std::string_view::npos) {
      return "the address comes from DHCP: " + Setting("DHCPclient", *dhcp);
    }
  }
  if (OneOf(key, {"IsSSH", "Telnet_timeout"})) {
    const auto telnet = settings.Value(change.file, Section::kSystem, "Telnet_option");
    if (telnet && telnet->find("Disable") != std::string_view::npos) {
      return "Telnet is off: " + Setting("Telnet_option", *telnet);
    }
  }
  return {};
}

std::string FilteredReason(const CChange& change, const CChangeLog& log,
                           const CFileSettings& settings) {
  const std::string_view key = SettingKey(change.line);
  std::string reason;
  switch (*change.section) {
    case Section::k5GHzMultiSSID:
    case Section::k24GHzMultiSSID:
      reason = MultiSsidReason(change, key, settings);
      break;
    case Section::k5GHzSecurity:
    case Section::k24GHzSecurity:
      reason = SecurityReason(change, key, settings);
      break;
    case Section::k5GHzFilter:
    case Section::k24GHzFilter:
      reason = FilterReason(change, key, settings);
      break;
    case Section::kSystem:
      reason = SystemReason(change, key, settings);
      break;
    default:
      break;
  }
  return reason.empty() ? GenericReason(change, key, log, settings) : reason;
}

}  // namespace

std::string ReasonFor(const CChange& change, const CChangeLog& log, const CFileSettings& settings) {
  switch (change.kind) {
    case ChangeKind::kFiltered:
      return FilteredReason(change, log, settings);
    case ChangeKind::kReconcileRemoved:
    case ChangeKind::kReconcileRestored: {
      const FileSide other = change.file == FileSide::kFile1 ? FileSide::kFile2 : FileSide::kFile1;
      const bool otherHasIt =
          settings
              .Value(other, *change.section, CFileSettings::MatchKey(*change.section, change.line))
              .has_value();
      if (change.kind == ChangeKind::kReconcileRestored) {
        return otherHasIt ? "this file's own settings make it relevant"
                          : "the other device type lacks it, but this file's own settings make "
                            "it relevant";
      }
      if (otherHasIt) {
        return "not relevant under this file's settings, reconciled with the other device type";
      }
      return "the other device type has no " + std::string(SettingKey(change.line));
    }
    case ChangeKind::kBandCleared:
      return "the other device type has no settings for this band";
    case ChangeKind::kDuplicate:
      return "a later line of the same key; only the first is compared";
    case ChangeKind::kUnordered:
      return "a multi-SSID key of no SSID from 1 to 7";
    default:
      return {};
  }
}

namespace {

// The class of a filtered line's key that the wording of its section looks at; 0: none.
std::uint8_t KeyTag(Section section, std::string_view key, std::string_view& part) {
  switch (section) {
    case Section::k5GHzMultiSSID:
    case Section::k24GHzMultiSSID: {
      const std::optional<std::string_view> n = SsidNumber(key);
      if (!n) return 0;
      part = *n;
      return 1;
    }
    case Section::k5GHzSecurity:
    case Section::k24GHzSecurity:
      if (OneOf(key, {"key1", "key2", "key3", "key4", "keysize", "keytype", "active_key_index"})) {
        return 1;
      }
      if (key.starts_with("radius_")) return 2;
      return OneOf(key, {"passphrase", "autorekey"}) ? 3 : 4;
    case Section::k5GHzFilter:
    case Section::k24GHzFilter:
      return key.starts_with("filter_mac_add") ? 1 : 0;
    case Section::kSystem:
      if (OneOf(key, {"Mask", "Gateway"})) return 1;
      return OneOf(key, {"IsSSH", "Telnet_timeout"}) ? 2 : 0;
    default:
      return 0;
  }
}

}  // namespace

std::size_t CReasons::CHash::operator()(const CClass& c) const {
  std::size_t h = static_cast<std::size_t>(c.kind) | (static_cast<std::size_t>(c.file) << 8U) |
                  (static_cast<std::size_t>(c.section) << 16U) |
                  (static_cast<std::size_t>(c.tag) << 24U);
  for (const char byte : c.part) h = h * 131U + static_cast<unsigned char>(byte);
  h ^= reinterpret_cast<std::uintptr_t>(c.governing) * 0x9e3779b97f4a7c15ULL;
  return h ^ (static_cast<std::size_t>(c.ruleSet) * 0xff51afd7ed558ccdULL);
}

std::string_view CReasons::Keep(std::string text) {
  auto known = byText_.find(text);
  if (known == byText_.end()) {
    const std::string_view view = texts_.emplace_back(text);
    known = byText_.emplace(std::move(text), view).first;
  }
  return known->second;
}

std::string_view CReasons::For(const CChange& change) {
  CClass c;
  c.kind = change.kind;
  switch (change.kind) {
    case ChangeKind::kFiltered: {
      if (!change.section) return Keep(ReasonFor(change, log_, settings_));
      c.file = change.file;
      c.section = *change.section;
      const std::string_view key = SettingKey(change.line);
      c.tag = KeyTag(c.section, key, c.part);
      const std::string_view governing = GoverningKeyFor(c.section, key);
      // The rule tables live as long as the program: a governing key is told by its address.
      c.governing = governing.empty() ? nullptr : governing.data();
      c.governingSize = static_cast<std::uint32_t>(governing.size());
      if (governing.empty()) c.ruleSet = change.detail;
      break;
    }
    case ChangeKind::kBandCleared:
    case ChangeKind::kDuplicate:
    case ChangeKind::kUnordered:
      break;  // the same words for every line
    default:
      // Reconciliation names the key itself; a pair of one device type has no such lines.
      return Keep(ReasonFor(change, log_, settings_));
  }
  if (hasLast_ && c == last_) return lastText_;
  auto known = byClass_.find(c);
  if (known == byClass_.end()) {
    known = byClass_.emplace(c, Keep(ReasonFor(change, log_, settings_))).first;
  }
  last_ = c;
  lastText_ = known->second;
  hasLast_ = true;
  return lastText_;
}

}  // namespace varnic::report
