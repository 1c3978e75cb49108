#ifndef VARNIC_SECTIONS_H_
#define VARNIC_SECTIONS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "varnic/lines.h"

namespace varnic {

// The nine sections the system knows, in the order their buckets are held.
enum class Section : std::uint8_t {
  k5GHzWireless,
  k24GHzWireless,
  k5GHzSecurity,
  k24GHzSecurity,
  k5GHzFilter,
  k24GHzFilter,
  kSystem,
  k5GHzMultiSSID,
  k24GHzMultiSSID,
};
inline constexpr std::size_t kSectionCount = 9;

// The order in which sections are emitted and compared; [System] comes first.
inline constexpr std::array<Section, kSectionCount> kEmissionOrder = {
    Section::kSystem,       Section::k5GHzWireless,  Section::k24GHzWireless,
    Section::k5GHzSecurity, Section::k24GHzSecurity, Section::k5GHzFilter,
    Section::k24GHzFilter,  Section::k5GHzMultiSSID, Section::k24GHzMultiSSID,
};

// Whether `section` holds a MAC filter list, whose entries are matched by address and renumbered.
inline constexpr bool IsMacFilterSection(Section section) {
  return section == Section::k5GHzFilter || section == Section::k24GHzFilter;
}

// The header line of a section, brackets included, e.g. "[System]".
std::string_view SectionHeader(Section section);
// The section name, the header without its brackets, e.g. "System".
std::string_view SectionName(Section section);
// The section whose header equals `line` byte for byte, if any.
std::optional<Section> FindSection(std::string_view line);

// Which of the two files a line or a stage belongs to.
enum class FileSide : std::uint8_t { kFile1 = 1, kFile2 = 2 };

// Where a file's side stands in a pair of per-file arrays: 0 for file 1, 1 for file 2.
inline std::size_t SideIndex(FileSide side) { return side == FileSide::kFile1 ? 0 : 1; }

enum class Band : std::uint8_t { k5GHz, k24GHz };

// The band of a section; none for [System].
std::optional<Band> BandOf(Section section);

// The four sections of a band, in bucket order.
const std::array<Section, 4>& BandSections(Band band);

// Body lines of the nine sections of one file, without their headers.
class CSectionBuckets {
 public:
  CLines& operator[](Section s) { return lists_[static_cast<std::size_t>(s)]; }
  const CLines& operator[](Section s) const { return lists_[static_cast<std::size_t>(s)]; }
  bool operator==(const CSectionBuckets&) const = default;

 private:
  std::array<CLines, kSectionCount> lists_;
};

}  // namespace varnic

#endif  // VARNIC_SECTIONS_H_
