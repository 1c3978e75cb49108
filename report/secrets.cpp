#include "varnic/report/secrets.h"

#include <array>

#include "model/byte_search.h"
#include "report/ascii.h"
#include "varnic/report/report_model.h"

namespace varnic::report {
namespace {

constexpr std::array<std::string_view, 7> kSecretKeys = {
    "password", "passphrase", "key1", "key2", "key3", "key4", "radius_secret"};
constexpr std::array<std::string_view, 3> kSsidSecretFields = {"_passphrase", "_key",
                                                               "_radius_secret"};

// Whether a key (or a key=value line) that starts with `first` may name a secret: every secret
// name starts with one of these letters, in either case, or with the spaces around it. Most
// lines of a report are told apart by this alone.
bool MayBeSecret(char first) {
  switch (first | 0x20) {
    case 'p':
    case 'k':
    case 'r':
    case 's':
      return true;
    default:
      return first == ' ' || first == '\t';
  }
}

}  // namespace

bool IsSecretKey(std::string_view key) {
  if (key.empty() || !MayBeSecret(key.front())) return false;
  // Letter case, spaces around the key and the SSID number are matched loosely: a backup edited
  // by hand ("Password = x") or a firmware with more networks must not show its passwords
  // because a name differs by a capital or a space.
  // Trimmed by hand: the standard search for a set of two calls memchr for every byte.
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t first = 0;
  while (first < key.size() && blank(key[first])) ++first;
  if (first == key.size()) return false;
  std::size_t end = key.size();
  while (blank(key[end - 1])) --end;
  key = key.substr(first, end - first);
  // Every secret name starts with one of these letters: most keys are told apart at once.
  switch (key.front() | 0x20) {
    case 'p':
    case 'k':
    case 'r':
    case 's':
      break;
    default:
      return false;
  }
  // And ends with one of these: most keys that start alike ("sched7_days", "steer_sta2_mac")
  // are told apart here, before a name is compared.
  switch (key.back() | 0x20) {
    case '1':
    case '2':
    case '3':
    case '4':
    case 'd':
    case 'e':
    case 't':
    case 'y':
      break;
    default:
      return false;
  }
  for (const std::string_view secret : kSecretKeys) {
    if (EqualsIgnoringCase(key, secret)) return true;
  }
  if (key.size() < 4 || !EqualsIgnoringCase(key.substr(0, 4), "ssid")) return false;
  std::size_t digits = 4;
  while (digits < key.size() && key[digits] >= '0' && key[digits] <= '9') ++digits;
  if (digits == 4) return false;
  const std::string_view field = key.substr(digits);
  for (const std::string_view secret : kSsidSecretFields) {
    if (EqualsIgnoringCase(field, secret)) return true;
  }
  return false;
}

std::string CSecretMasker::LabelFor(std::string_view value) {
  const auto [it, added] = labels_.try_emplace(std::string(value));
  if (added) it->second = "\xe2\x80\xb9secret " + std::to_string(labels_.size()) + "\xe2\x80\xba";
  return it->second;
}

std::string_view CSecretMasker::MaskLine(std::string_view line, std::string& storage) {
  if (line.empty() || !MayBeSecret(line.front())) return line;
  const std::size_t eq = FindByte(line, '=');
  if (eq == std::string_view::npos || !IsSecretKey(line.substr(0, eq))) return line;
  storage = MaskLine(line);
  return storage;
}

std::string CSecretMasker::MaskLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || !IsSecretKey(line.substr(0, eq))) return std::string(line);
  return std::string(line.substr(0, eq + 1)) + LabelFor(line.substr(eq + 1));
}

void CSecretMasker::Prime(const CReport& report) {
  for (const CEntry& e : report.entries) {
    if (!IsSecretKey(e.key)) continue;
    for (const auto& value : {e.left, e.right}) {
      if (value) LabelFor(*value);
    }
  }
  for (const CHiddenDifference& h : report.hidden) {
    if (!IsSecretKey(h.key)) continue;
    for (const auto& value : {h.left, h.right}) {
      if (value) LabelFor(*value);
    }
  }
  std::string storage;
  for (const CExplanation& e : report.explanations) {
    MaskLine(e.line, storage);
    MaskLine(e.detail, storage);
    // The rest of a run: its detail is the first line's, labelled already.
    for (std::uint32_t k = 1; k < e.lines; ++k) MaskLine(e.Line(k), storage);
  }
}

}  // namespace varnic::report
