#ifndef VARNIC_REPORT_FILE_SETTINGS_H_
#define VARNIC_REPORT_FILE_SETTINGS_H_

#include <cstddef>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/comparison.h"

namespace varnic::cli {

// One line of a key as the file held it: compared in a row, or set aside by a stage.
struct CSetting {
  std::string_view line;
  const CChange* setAside = nullptr;  // the change that took it out; null when compared
};

// What each file said before the stages took lines away, for the keys that matter to a reader:
// every key with a line set aside (in both files), and the settings that decide relevance
// (auth_type, SSID2_Status, DHCPclient, ...). Lines of a key come in file order, the compared
// one first. In the MAC filter sections entries are keyed by their address, not their number,
// since a list is the same list in another order.
class CFileSettings {
 public:
  // `comparison` must outlive the object.
  explicit CFileSettings(const CComparison& comparison);

  // The lines of `key` (for a MAC entry: of the address) in one file's section.
  const std::vector<CSetting>* Find(FileSide side, Section section, std::string_view key) const;
  // The value of the first line of `key`, when the file has one.
  std::optional<std::string_view> Value(FileSide side, Section section, std::string_view key) const;

  struct CSlot {
    Section section;
    std::string_view key;
  };
  // The keys with a line set aside in either file, in output order of the sections and then in
  // the order the stages met them.
  const std::vector<CSlot>& SetAsideKeys() const { return setAside_; }

  // The key a line is matched under: its address in a MAC filter section, else its key.
  static std::string_view MatchKey(Section section, std::string_view line);

 private:
  struct CKey {
    FileSide side;
    Section section;
    std::string_view key;
    bool operator==(const CKey&) const = default;
  };
  struct CHash {
    std::size_t operator()(const CKey& k) const;
  };
  std::unordered_map<CKey, std::vector<CSetting>, CHash> settings_;
  std::vector<CSlot> setAside_;
};

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_FILE_SETTINGS_H_
