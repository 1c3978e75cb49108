#include "cli/secrets.h"

#include <array>

namespace varnic::cli {
namespace {

constexpr std::array<std::string_view, 7> kSecretKeys = {
    "Password", "passphrase", "key1", "key2", "key3", "key4", "radius_secret"};
constexpr std::array<std::string_view, 3> kSsidSecretFields = {"_PassPhrase", "_Key",
                                                               "_Radius_Secret"};

}  // namespace

bool IsSecretKey(std::string_view key) {
  for (const std::string_view secret : kSecretKeys) {
    if (key == secret) return true;
  }
  // SSID1_PassPhrase .. SSID7_Radius_Secret
  if (key.size() < 6 || !key.starts_with("SSID") || key[4] < '1' || key[4] > '7') return false;
  const std::string_view field = key.substr(5);
  for (const std::string_view secret : kSsidSecretFields) {
    if (field == secret) return true;
  }
  return false;
}

std::string CSecretMasker::LabelFor(std::string_view value) {
  const auto [it, added] = labels_.try_emplace(std::string(value));
  if (added) it->second = "\xe2\x80\xb9secret " + std::to_string(labels_.size()) + "\xe2\x80\xba";
  return it->second;
}

std::string_view CSecretMasker::MaskLine(std::string_view line, std::string& storage) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || !IsSecretKey(line.substr(0, eq))) return line;
  storage = MaskLine(line);
  return storage;
}

std::string CSecretMasker::MaskLine(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || !IsSecretKey(line.substr(0, eq))) return std::string(line);
  return std::string(line.substr(0, eq + 1)) + LabelFor(line.substr(eq + 1));
}

}  // namespace varnic::cli
