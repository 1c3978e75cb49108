#include "bench/pair_generator.h"

#include <array>
#include <utility>
#include <vector>

namespace varnic::pairgen {
namespace {

// splitmix64. The standard engines are portable but the distributions and std::shuffle are not,
// so every draw goes through this class and every shuffle is written out below. Never draw twice
// in one expression: the order in which operands of + are evaluated is unspecified.
class CRandom {
 public:
  explicit CRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // The modulo bias is far below anything a benchmark could notice.
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool PerMille(unsigned chance) { return Below(1000) < chance; }

  template <std::size_t N>
  std::string_view Pick(const std::array<std::string_view, N>& items) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

template <class T>
void Shuffle(std::vector<T>& items, CRandom& rng) {
  for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[rng.Below(i)]);
}

// The splitmix64 finaliser on its own: a bijection, so distinct inputs give distinct outputs.
std::uint64_t Scramble(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

void AppendHex(std::string& out, std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 15];
}

std::string Mac(std::uint64_t bits) {
  std::string mac;
  for (int octet = 5; octet >= 0; --octet) {
    AppendHex(mac, bits >> (8 * octet), 2);
    if (octet != 0) mac += ':';
  }
  return mac;
}

// Makers' prefixes (locally administered ones, so they name no real maker) and a device part.
std::uint64_t MacBits(std::uint64_t prefixChoice, std::uint64_t device) {
  static constexpr std::uint64_t kPrefixes[] = {0x021A2B, 0x0A5C3D, 0x12E04F, 0x3E9971};
  return (kPrefixes[prefixChoice % std::size(kPrefixes)] << 24) | (device & 0xFFFFFF);
}

// Distinct for every index below 2^24 under one prefix: odd multipliers are invertible modulo a
// power of two.
std::uint64_t ListedMacBits(std::uint64_t index, std::uint64_t salt) {
  return MacBits(salt >> 32, index * 0x9E3779ULL + salt);
}

// What a value looks like, so that a changed value still looks like one.
enum class Kind : std::uint8_t {
  kFixed,  // decides which keys are relevant; a later backup keeps it
  kBare,   // a line without '='
  kFlag,
  kCount,
  kVlan,
  kRate,
  kMac,
  kIp,
  kMask,
  kTime,
  kDays,
  kName,
  kHost,
  kSecret,
  kPort,
  kRssi,
  kBand,
  kAction,
  kPercent,
  kChannel5,
  kChannel24,
  kInterval,
  kQueue,
};

constexpr std::array<std::string_view, 12> kWords = {"Lobby", "Guest", "Staff", "Office",
                                                     "Lab",   "Cafe",  "North", "South",
                                                     "Annex", "Store", "Depot", "Hall"};

std::string Value(Kind kind, CRandom& rng) {
  switch (kind) {
    case Kind::kFixed:
      return "Enable";
    case Kind::kBare: {
      std::string text = "option ";
      AppendHex(text, rng.Next(), 8);
      return text + " on";
    }
    case Kind::kFlag:
      return rng.Below(2) == 0 ? "Enable" : "Disable";
    case Kind::kCount:
      return std::to_string(8 + rng.Below(120));
    case Kind::kVlan:
      return std::to_string(1 + rng.Below(4094));
    case Kind::kRate:
      return std::to_string(256 * (1 + rng.Below(400)));
    case Kind::kMac: {
      const std::uint64_t bits = rng.Next();
      return Mac(MacBits(bits >> 32, bits));
    }
    case Kind::kIp: {
      const std::uint64_t bits = rng.Next();
      return "10." + std::to_string((bits >> 16) & 255) + "." + std::to_string((bits >> 8) & 255) +
             "." + std::to_string(1 + (bits & 127));
    }
    case Kind::kMask:
      return std::string(rng.Pick(std::array<std::string_view, 4>{
          "255.255.255.0", "255.255.0.0", "255.255.255.128", "255.255.252.0"}));
    case Kind::kTime: {
      const std::size_t slot = rng.Below(96);
      std::string time = slot < 40 ? "0" : "";
      time += std::to_string(slot / 4);
      time += ':';
      time += std::array<std::string_view, 4>{"00", "15", "30", "45"}[slot % 4];
      return time;
    }
    case Kind::kDays:
      return std::string(rng.Pick(std::array<std::string_view, 5>{"Mon-Fri", "Sat,Sun", "Daily",
                                                                  "Mon,Wed,Fri", "Tue,Thu"}));
    case Kind::kName: {
      std::string name(rng.Pick(kWords));
      return name + "-" + std::to_string(1 + rng.Below(99));
    }
    case Kind::kHost: {
      std::string host(rng.Pick(kWords));
      for (char& c : host) c = static_cast<char>(c | 0x20);  // ASCII only, no locale
      return host + std::to_string(rng.Below(10)) + ".example.net";
    }
    case Kind::kSecret: {
      static constexpr std::string_view kAlphabet =
          "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789#!%-";
      std::string secret;
      for (int i = 0; i < 12; ++i) secret += kAlphabet[rng.Below(kAlphabet.size())];
      return secret;
    }
    case Kind::kPort:
      return std::to_string(1024 + rng.Below(64000));
    case Kind::kRssi:
      return "-" + std::to_string(60 + rng.Below(30));
    case Kind::kBand:
      return std::string(rng.Pick(std::array<std::string_view, 3>{"2.4GHz", "5GHz", "Auto"}));
    case Kind::kAction:
      return std::string(rng.Pick(std::array<std::string_view, 3>{"Allow", "Deny", "Log"}));
    case Kind::kPercent:
      return std::string(
          rng.Pick(std::array<std::string_view, 5>{"100%", "75%", "50%", "25%", "12%"}));
    case Kind::kChannel5:
      return std::string(rng.Pick(std::array<std::string_view, 9>{"36", "40", "44", "48", "52",
                                                                  "100", "149", "157", "165"}));
    case Kind::kChannel24:
      return std::to_string(1 + rng.Below(11));
    case Kind::kInterval:
      return std::to_string(300 * (1 + rng.Below(24)));
    case Kind::kQueue:
      return std::to_string(rng.Below(8));
  }
  return {};
}

std::string Changed(Kind kind, const std::string& old, CRandom& rng) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string value = Value(kind, rng);
    if (value != old) return value;
  }
  return old + "0";
}

// Settings that no relevance rule names come in records, like a route table or a schedule:
// prefix, record number, field.
struct Field {
  std::string_view name;
  Kind kind;
};
struct Family {
  std::string_view prefix;
  std::vector<Field> fields;
};
using Families = std::vector<Family>;

const Families kWirelessExtras = {
    {"vap",
     {{"vlan_id", Kind::kVlan},
      {"max_sta", Kind::kCount},
      {"isolation", Kind::kFlag},
      {"rate_limit_up", Kind::kRate},
      {"rate_limit_down", Kind::kRate}}},
    {"sched",
     {{"enable", Kind::kFlag},
      {"days", Kind::kDays},
      {"start", Kind::kTime},
      {"end", Kind::kTime}}},
    {"wds_peer", {{"mac", Kind::kMac}, {"status", Kind::kFlag}, {"tx_rate", Kind::kRate}}},
    {"dscp", {{"queue", Kind::kQueue}}},
    {"steer_sta", {{"mac", Kind::kMac}, {"rssi_min", Kind::kRssi}, {"band", Kind::kBand}}},
};
const Families kSystemExtras = {
    {"route",
     {{"dest", Kind::kIp},
      {"mask", Kind::kMask},
      {"gateway", Kind::kIp},
      {"metric", Kind::kQueue}}},
    {"host", {{"name", Kind::kName}, {"ip", Kind::kIp}}},
    {"ntp", {{"server", Kind::kHost}}},
    {"snmp_trap", {{"ip", Kind::kIp}, {"port", Kind::kPort}, {"community", Kind::kName}}},
};
const Families kSecurityExtras = {
    {"eap_user", {{"name", Kind::kName}, {"vlan", Kind::kVlan}}},
    {"psk_sta", {{"mac", Kind::kMac}, {"key", Kind::kSecret}}},
    {"radius_acct", {{"server", Kind::kIp}, {"port", Kind::kPort}, {"interval", Kind::kInterval}}},
};
const Families kFilterExtras = {
    {"filter_url", {{"pattern", Kind::kHost}, {"action", Kind::kAction}}},
    {"filter_ip",
     {{"src", Kind::kIp}, {"dst", Kind::kIp}, {"port", Kind::kPort}, {"action", Kind::kAction}}},
};
const Families kMultiSsidExtras = {
    {"Vlan_Map", {{"Ssid", Kind::kName}, {"Vlan", Kind::kVlan}}},
    {"Portal", {{"Url", Kind::kHost}, {"Timeout", Kind::kInterval}, {"Status", Kind::kFlag}}},
};

struct Entry {
  std::string key;  // the whole line when kind is kBare
  std::string value;
  Kind kind;
  bool removable;  // a record field: a later backup may drop it or add one like it
};

struct Section {
  std::string name;
  std::vector<Entry> entries;
  const Families* families = nullptr;
  std::size_t nextRecord = 0;
};

void Add(Section& section, std::string key, Kind kind, CRandom& rng) {
  std::string value = Value(kind, rng);
  section.entries.push_back({std::move(key), std::move(value), kind, false});
}

void AddFixed(Section& section, std::string key, std::string value) {
  section.entries.push_back({std::move(key), std::move(value), Kind::kFixed, false});
}

Entry NewRecordField(Section& section, std::size_t field, CRandom& rng) {
  const Families& families = *section.families;
  const std::size_t record = section.nextRecord++;
  const Family& family = families[record % families.size()];
  const Field& chosen = family.fields[field % family.fields.size()];
  std::string key = std::string(family.prefix) + std::to_string(record / families.size() + 1) +
                    "_" + std::string(chosen.name);
  std::string value = Value(chosen.kind, rng);
  return {std::move(key), std::move(value), chosen.kind, true};
}

void AddRecords(Section& section, const Families& families, std::size_t lines, CRandom& rng) {
  section.families = &families;
  while (lines > 0) {
    const Family& family = families[section.nextRecord % families.size()];
    const std::string stem =
        std::string(family.prefix) + std::to_string(section.nextRecord / families.size() + 1) + "_";
    for (const Field& field : family.fields) {
      if (lines == 0) break;
      std::string value = Value(field.kind, rng);
      section.entries.push_back(
          {stem + std::string(field.name), std::move(value), field.kind, true});
      --lines;
    }
    ++section.nextRecord;
  }
}

bool IsMacEntry(const Entry& entry) { return entry.key.starts_with("filter_mac_add"); }

std::string Render(const std::vector<Section>& sections) {
  std::size_t size = 0;
  for (const Section& section : sections) {
    size += section.name.size() + 3;
    for (const Entry& entry : section.entries) size += entry.key.size() + entry.value.size() + 2;
  }
  std::string text;
  text.reserve(size);
  for (const Section& section : sections) {
    text += '[';
    text += section.name;
    text += "]\n";
    for (const Entry& entry : section.entries) {
      text += entry.key;
      if (entry.kind != Kind::kBare) {
        text += '=';
        text += entry.value;
      }
      text += '\n';
    }
  }
  return text;
}

// A few of the list's addresses moved, one replaced, one added while there is room; then
// numbered again from 1, as the device does on saving.
void ReorderMacList(std::vector<std::string>& macs, CRandom& rng) {
  if (macs.empty()) return;
  const std::size_t moves = 1 + macs.size() / 16;
  for (std::size_t i = 0; i < moves; ++i) {
    const std::size_t from = rng.Below(macs.size());
    std::string moved = std::move(macs[from]);
    macs.erase(macs.begin() + static_cast<std::ptrdiff_t>(from));
    const std::size_t to = rng.Below(macs.size() + 1);
    macs.insert(macs.begin() + static_cast<std::ptrdiff_t>(to), std::move(moved));
  }
  macs[rng.Below(macs.size())] = Value(Kind::kMac, rng);
  if (macs.size() < 256) macs.push_back(Value(Kind::kMac, rng));
}

// A later backup of the same device: about 3% of the values changed; when `reshape` is set,
// about 0.5% of the record fields dropped and as many new ones added, and MAC lists reordered.
std::vector<Section> LaterBackup(std::vector<Section> sections, bool reshape, CRandom& rng) {
  for (Section& section : sections) {
    std::vector<Entry> entries;
    entries.reserve(section.entries.size() + section.entries.size() / 64 + 2);
    std::vector<std::string> macs;
    std::size_t macPosition = 0;
    for (Entry& entry : section.entries) {
      if (reshape && IsMacEntry(entry)) {
        if (macs.empty()) macPosition = entries.size();
        macs.push_back(std::move(entry.value));
        continue;
      }
      if (reshape && entry.removable && rng.PerMille(5)) continue;
      if (entry.kind == Kind::kBare) {
        if (rng.PerMille(30)) entry.key = Changed(Kind::kBare, entry.key, rng);
      } else if (entry.kind != Kind::kFixed && rng.PerMille(30)) {
        entry.value = Changed(entry.kind, entry.value, rng);
      }
      const bool grow = reshape && entry.removable && rng.PerMille(5);
      entries.push_back(std::move(entry));
      if (grow) entries.push_back(NewRecordField(section, rng.Below(8), rng));
    }
    if (!macs.empty()) {
      ReorderMacList(macs, rng);
      std::vector<Entry> list;
      for (std::size_t i = 0; i < macs.size(); ++i) {
        list.push_back(
            {"filter_mac_add" + std::to_string(i + 1), std::move(macs[i]), Kind::kMac, false});
      }
      entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(macPosition),
                     std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
    }
    section.entries = std::move(entries);
  }
  return sections;
}

GeneratedPair FromSections(std::vector<Section> sections, bool reshape, CRandom& rng) {
  GeneratedPair pair;
  pair.first = Render(sections);
  pair.second = Render(LaterBackup(std::move(sections), reshape, rng));
  return pair;
}

std::vector<Section> RealisticBackup(std::size_t lines, CRandom& rng) {
  std::vector<Section> sections(9);
  Section& system = sections[0];
  system.name = "System";
  AddFixed(system, "Username", "admin");
  Add(system, "Password", Kind::kSecret, rng);
  Add(system, "DeviceName", Kind::kName, rng);
  AddFixed(system, "DHCPclient", "Disable");
  Add(system, "IPaddr", Kind::kIp, rng);
  AddFixed(system, "Mask", "255.255.255.0");
  Add(system, "Gateway", Kind::kIp, rng);
  AddFixed(system, "Telnet_option", "Enable");
  Add(system, "IsSSH", Kind::kFlag, rng);
  Add(system, "Telnet_timeout", Kind::kInterval, rng);

  const bool five[2] = {true, false};
  for (int band = 0; band < 2; ++band) {
    const std::string prefix = five[band] ? "5GHz_" : "2.4GHz_";

    Section& wireless = sections[1 + band];
    wireless.name = prefix + "WirelessSettings";
    AddFixed(wireless, "wireless_mode", five[band] ? "11a/n/ac" : "11b/g/n");
    Add(wireless, "ssid", Kind::kName, rng);
    Add(wireless, "channel", five[band] ? Kind::kChannel5 : Kind::kChannel24, rng);
    AddFixed(wireless, "channel_width", five[band] ? "80MHz" : "20MHz");
    Add(wireless, "tx_power", Kind::kPercent, rng);
    AddFixed(wireless, "beacon_interval", "100");
    Add(wireless, "dtim_period", Kind::kQueue, rng);

    Section& security = sections[3 + band];
    security.name = prefix + "SecuritySettings";
    AddFixed(security, "auth_type", "WPA2-Personal");
    AddFixed(security, "cipher_type", "AES");
    Add(security, "group_key_update_interval", Kind::kInterval, rng);
    Add(security, "passphrase", Kind::kSecret, rng);
    Add(security, "autorekey", Kind::kFlag, rng);
    if (five[band]) {  // stale WEP fields under WPA2, as real backups carry them
      AddFixed(security, "wep_status", "Disable");
      AddFixed(security, "keysize", "64");
      Add(security, "key1", Kind::kSecret, rng);
    }

    Section& filter = sections[5 + band];
    filter.name = prefix + "Filter";
    AddFixed(filter, "filter_mac_acl", "Accept");
    const std::size_t macs = std::min<std::size_t>(256, std::max<std::size_t>(3, lines / 40));
    const std::uint64_t salt = rng.Next();
    for (std::size_t i = 0; i < macs; ++i) {
      AddFixed(filter, "filter_mac_add" + std::to_string(i + 1), Mac(ListedMacBits(i, salt)));
    }

    Section& multi = sections[7 + band];
    multi.name = prefix + "MultiSSIDSettings";
    AddFixed(multi, "Multi_Status", "Enable");
    const std::size_t ssids = std::min<std::size_t>(7, std::max<std::size_t>(1, lines / 150));
    for (std::size_t n = 1; n <= ssids; ++n) {
      const std::string ssid = "SSID" + std::to_string(n) + "_";
      const bool enabled = n == 1 || rng.Below(4) != 0;
      AddFixed(multi, ssid + "Status", enabled ? "Enable" : "Disable");
      Add(multi, ssid + "Ssid", Kind::kName, rng);
      AddFixed(multi, ssid + "Security", "WPA2-Personal");
      if (!enabled) continue;
      Add(multi, ssid + "Visibility", Kind::kFlag, rng);
      Add(multi, ssid + "Wmm", Kind::kFlag, rng);
      AddFixed(multi, ssid + "Cipher", "AES");
      Add(multi, ssid + "Group_Key", Kind::kInterval, rng);
      Add(multi, ssid + "PassPhrase", Kind::kSecret, rng);
    }
  }

  // Scaling up: most of the bulk is wireless settings, the rest fills the governed sections with
  // keys that no rule names, so they are large but mostly dropped.
  std::size_t core = sections.size();
  for (const Section& section : sections) core += section.entries.size();
  const std::size_t rest = lines > core ? lines - core : 0;
  const std::size_t wireless = rest * 6 / 10;
  const std::size_t governed = rest - wireless;
  AddRecords(sections[1], kWirelessExtras, wireless / 2, rng);
  AddRecords(sections[2], kWirelessExtras, wireless - wireless / 2, rng);
  const std::pair<std::size_t, const Families*> kGoverned[] = {
      {0, &kSystemExtras}, {3, &kSecurityExtras},  {4, &kSecurityExtras}, {5, &kFilterExtras},
      {6, &kFilterExtras}, {7, &kMultiSsidExtras}, {8, &kMultiSsidExtras}};
  std::size_t left = governed;
  for (std::size_t i = 0; i < std::size(kGoverned); ++i) {
    const std::size_t share =
        i + 1 == std::size(kGoverned) ? left : governed / std::size(kGoverned);
    AddRecords(sections[kGoverned[i].first], *kGoverned[i].second, share, rng);
    left -= share;
  }
  return sections;
}

std::size_t Body(std::size_t lines, std::size_t headers) {
  return lines > headers ? lines - headers : 1;
}

GeneratedPair UniqueKeys(std::size_t lines, CRandom& rng) {
  const std::uint64_t salt = rng.Next();
  std::vector<std::string> body;
  body.reserve(Body(lines, 1));
  for (std::size_t i = 0; i < Body(lines, 1); ++i) {
    std::string line = "opt_";
    AppendHex(line, Scramble(i ^ salt), 16);
    line += '=';
    line += std::to_string(rng.Below(100000));
    body.push_back(std::move(line));
  }
  const std::string header = "[5GHz_WirelessSettings]\n";
  GeneratedPair pair;
  for (std::string* text : {&pair.first, &pair.second}) {
    if (text == &pair.second) Shuffle(body, rng);
    text->reserve(header.size() + body.size() * 32);
    *text += header;
    for (const std::string& line : body) {
      *text += line;
      *text += '\n';
    }
  }
  return pair;
}

GeneratedPair OneKey(std::size_t lines, CRandom& rng) {
  Section section{"System", {}};
  section.entries.reserve(Body(lines, 1));
  for (std::size_t i = 0; i < Body(lines, 1); ++i) {
    std::string value = "user" + std::to_string(rng.Below(16));
    section.entries.push_back({"Username", std::move(value), Kind::kName, false});
  }
  std::vector<Section> sections;
  sections.push_back(std::move(section));
  return FromSections(std::move(sections), false, rng);
}

GeneratedPair MacListShape(std::size_t lines, CRandom& rng) {
  const std::uint64_t salt = rng.Next();
  std::vector<std::string> macs;
  macs.reserve(Body(lines, 1));
  for (std::size_t i = 0; i < Body(lines, 1); ++i) macs.push_back(Mac(ListedMacBits(i, salt)));
  GeneratedPair pair;
  for (std::string* text : {&pair.first, &pair.second}) {
    if (text == &pair.second) Shuffle(macs, rng);
    text->reserve(macs.size() * 40);
    *text += "[5GHz_Filter]\n";
    for (std::size_t i = 0; i < macs.size(); ++i) {
      *text += "filter_mac_add";
      *text += std::to_string(i + 1);
      *text += '=';
      *text += macs[i];
      *text += '\n';
    }
  }
  return pair;
}

GeneratedPair LongLine(std::size_t lines, CRandom& rng) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  const std::string head = "[5GHz_WirelessSettings]\nssid=";
  const std::size_t length = std::max<std::size_t>(lines, 1) * kLongLineBytesPerLine;
  GeneratedPair pair;
  pair.first.reserve(head.size() + length + 1);
  pair.first += head;
  for (std::size_t filled = 0; filled < length;) {
    std::uint64_t bits = rng.Next();
    for (int i = 0; i < 10 && filled < length; ++i, ++filled, bits >>= 6) {
      pair.first += kAlphabet[bits & 63];
    }
  }
  pair.first += '\n';
  pair.second = pair.first;
  pair.second[head.size() + length / 2] = '#';  // not in the alphabet, so always a change
  return pair;
}

// A short [System] first, so that the file has settings to compare, then the unknown sections.
GeneratedPair UnknownSections(std::size_t lines, CRandom& rng) {
  static constexpr Kind kKinds[] = {Kind::kFlag, Kind::kCount, Kind::kIp,
                                    Kind::kName, Kind::kRate,  Kind::kMac};
  constexpr std::size_t kPerSection = 8;  // a header and seven keys
  std::vector<Section> sections(1);
  sections[0].name = "System";
  AddFixed(sections[0], "Username", "admin");
  Add(sections[0], "Password", Kind::kSecret, rng);
  std::size_t left = Body(lines, 3);
  sections.resize(1 + (left + kPerSection - 1) / kPerSection);
  for (std::size_t s = 1; s < sections.size(); ++s, left -= std::min(left, kPerSection)) {
    const std::string number = std::to_string(s);
    sections[s].name =
        "Vendor_Ext_" + std::string(6 - std::min<std::size_t>(6, number.size()), '0') + number;
    for (std::size_t k = 1; k < std::min(left, kPerSection); ++k) {
      Add(sections[s], "param" + std::to_string(k), kKinds[(s + k) % std::size(kKinds)], rng);
    }
  }
  return FromSections(std::move(sections), false, rng);
}

constexpr std::array<std::string_view, 9> kKnownSections = {"5GHz_WirelessSettings",
                                                            "2.4GHz_WirelessSettings",
                                                            "5GHz_SecuritySettings",
                                                            "2.4GHz_SecuritySettings",
                                                            "5GHz_Filter",
                                                            "2.4GHz_Filter",
                                                            "System",
                                                            "5GHz_MultiSSIDSettings",
                                                            "2.4GHz_MultiSSIDSettings"};

GeneratedPair NoEquals(std::size_t lines, CRandom& rng) {
  std::vector<Section> sections(kKnownSections.size());
  const std::size_t body = Body(lines, sections.size());
  for (std::size_t s = 0; s < sections.size(); ++s) {
    sections[s].name = kKnownSections[s];
    const std::size_t count = body / sections.size() + (s < body % sections.size() ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) {
      std::string text = Value(Kind::kBare, rng);
      sections[s].entries.push_back({std::move(text), {}, Kind::kBare, false});
    }
  }
  return FromSections(std::move(sections), false, rng);
}

// SSIDs 1..7 disabled, so no rule's condition holds, and enabled ones numbered above 7, which no
// rule names.
GeneratedPair ManySsids(std::size_t lines, CRandom& rng) {
  std::vector<Section> sections(2);
  const std::size_t body = Body(lines, sections.size());
  for (std::size_t band = 0; band < 2; ++band) {
    Section& multi = sections[band];
    multi.name = band == 0 ? "5GHz_MultiSSIDSettings" : "2.4GHz_MultiSSIDSettings";
    AddFixed(multi, "Multi_Status", "Enable");
    const std::size_t count = body / 2 + (band == 0 ? body % 2 : 0);
    for (std::size_t n = 1; multi.entries.size() < count; ++n) {
      const std::string ssid = "SSID" + std::to_string(n) + "_";
      const std::pair<std::string_view, Kind> kFields[] = {
          {"Ssid", Kind::kName},    {"Visibility", Kind::kFlag},    {"Wmm", Kind::kFlag},
          {"Cipher", Kind::kFixed}, {"Group_Key", Kind::kInterval}, {"PassPhrase", Kind::kSecret}};
      AddFixed(multi, ssid + "Status", n <= 7 ? "Disable" : "Enable");
      AddFixed(multi, ssid + "Security", "WPA2-Personal");
      for (const auto& [field, kind] : kFields) {
        if (multi.entries.size() >= count) break;
        if (kind == Kind::kFixed) {
          AddFixed(multi, ssid + std::string(field), "AES");
        } else {
          Add(multi, ssid + std::string(field), kind, rng);
        }
      }
    }
  }
  return FromSections(std::move(sections), false, rng);
}

struct NamedShape {
  Shape shape;
  std::string_view name;
};
constexpr NamedShape kNames[] = {
    {Shape::kRealistic, "realistic"}, {Shape::kUniqueKeys, "unique-keys"},
    {Shape::kOneKey, "one-key"},      {Shape::kMacList, "mac-list"},
    {Shape::kLongLine, "long-line"},  {Shape::kUnknownSections, "unknown-sections"},
    {Shape::kNoEquals, "no-equals"},  {Shape::kManySsids, "many-ssids"},
};
constexpr std::array<Shape, std::size(kNames)> kShapes = {
    Shape::kRealistic, Shape::kUniqueKeys,      Shape::kOneKey,   Shape::kMacList,
    Shape::kLongLine,  Shape::kUnknownSections, Shape::kNoEquals, Shape::kManySsids};

}  // namespace

std::span<const Shape> AllShapes() { return kShapes; }

std::string_view ShapeName(Shape shape) {
  for (const NamedShape& named : kNames) {
    if (named.shape == shape) return named.name;
  }
  return {};
}

std::optional<Shape> ShapeFromName(std::string_view name) {
  for (const NamedShape& named : kNames) {
    if (named.name == name) return named.shape;
  }
  return std::nullopt;
}

GeneratedPair GeneratePair(Shape shape, std::size_t linesPerFile, std::uint64_t seed) {
  CRandom rng(seed);
  switch (shape) {
    case Shape::kRealistic:
      return FromSections(RealisticBackup(linesPerFile, rng), true, rng);
    case Shape::kUniqueKeys:
      return UniqueKeys(linesPerFile, rng);
    case Shape::kOneKey:
      return OneKey(linesPerFile, rng);
    case Shape::kMacList:
      return MacListShape(linesPerFile, rng);
    case Shape::kLongLine:
      return LongLine(linesPerFile, rng);
    case Shape::kUnknownSections:
      return UnknownSections(linesPerFile, rng);
    case Shape::kNoEquals:
      return NoEquals(linesPerFile, rng);
    case Shape::kManySsids:
      return ManySsids(linesPerFile, rng);
  }
  return {};
}

}  // namespace varnic::pairgen
