#ifndef VARNIC_REPORT_FILE_SETTINGS_H_
#define VARNIC_REPORT_FILE_SETTINGS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/hash_index.h"
#include "varnic/comparison.h"

namespace varnic::report {

// The key of a line as a reader names it: the text before the first "=", the whole line when
// it has none.
std::string_view SettingKey(std::string_view line);

// One line of a key as the file held it: compared in a row, or set aside by a stage.
struct CSetting {
  std::string_view line;
  // The log's record of the change that took it out (CChangeList::Read); null when compared.
  const CChangeRecord* setAside = nullptr;

  bool Compared() const { return setAside == nullptr; }
};

// What each file said before the stages took lines away, for the keys that matter to a reader:
// every key with a line set aside (in both files), and the settings that decide relevance
// (auth_type, SSID2_Status, DHCPclient, ...). Lines of a key come in file order, the compared
// one first. In the MAC filter sections entries are keyed by their address, not their number,
// since a list is the same list in another order.
class CFileSettings {
 public:
  // What the settings are asked for. kEverything: any line of any key set aside. Hidden
  // differences read only the keys set aside where the two files part (kDifferences), so a
  // section can be left out where both files set aside the same lines and each row holds a line
  // of both under one key: it holds no hidden difference, and a fleet's devices mostly keep their
  // baseline's sections so, but for the values its rows show. In a large section that is not so,
  // only the keys whose lines part are kept. Explanations (kReasons) ask those and, for the words
  // of any line's reason, the settings that decide relevance (auth_type, SSID2_Status, ...) in
  // every section.
  enum class Scope : std::uint8_t { kEverything, kDifferences, kReasons };

  // `comparison` must outlive the object.
  explicit CFileSettings(const CComparison& comparison, Scope scope = Scope::kEverything);

  // The lines of `key` (for a MAC entry: of the address) in one file's section.
  std::span<const CSetting> Find(FileSide side, Section section, std::string_view key) const;
  // The value of the first line of `key`, when the file has one.
  std::optional<std::string_view> Value(FileSide side, Section section, std::string_view key) const;

  struct CSlot {
    std::string_view key;
    std::uint32_t index = 0;  // where its lines are: LinesOf needs no look-up
    Section section;
  };
  // The keys with a line set aside in either file, in output order of the sections and then in
  // the order the stages met them.
  std::span<const CSlot> SetAsideKeys() const {
    return std::span<const CSlot>(slots_).first(asideSlots_);
  }
  // The lines of a slot SetAsideKeys lists, in one file: Find without hashing the key again.
  std::span<const CSetting> LinesOf(FileSide side, const CSlot& slot) const;

  // The key a line is matched under: its address in a MAC filter section, else its key.
  static std::string_view MatchKey(Section section, std::string_view line);

 private:
  std::uint32_t FindSlot(Section section, std::string_view key) const;
  std::uint32_t FindSlot(Section section, std::string_view key, std::uint32_t hash) const;
  std::uint32_t AddSlot(Section section, std::string_view key);
  std::uint32_t AddSlot(Section section, std::string_view key, std::uint32_t hash);

  // A slot is a (section, key), those with lines set aside first; its lines lie in lines_ from
  // begin_[2 * slot + side - 1] on, per file, the compared line first. A million-line pair sets
  // aside most of its lines: one flat array and an index of 8-byte entries keep that cheap.
  std::vector<CSlot> slots_;
  CHashIndex index_;
  std::vector<CSetting> lines_;
  std::vector<std::uint32_t> begin_;
  std::size_t asideSlots_ = 0;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_FILE_SETTINGS_H_
