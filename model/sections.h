#ifndef VARNIC_MODEL_SECTIONS_H_
#define VARNIC_MODEL_SECTIONS_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "model/line_list.h"

namespace varnic {

// The nine sections the system knows, in the order their buckets are held.
enum class Section : std::size_t {
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

// The header line of a section, brackets included, e.g. "[System]".
std::string_view SectionHeader(Section section);
// The section whose header equals `line` byte for byte, if any.
std::optional<Section> FindSection(std::string_view line);

// Body lines of the nine sections of one file, without their headers.
class CSectionBuckets {
 public:
  CLineList& operator[](Section s) { return lists_[static_cast<std::size_t>(s)]; }
  const CLineList& operator[](Section s) const { return lists_[static_cast<std::size_t>(s)]; }
  bool operator==(const CSectionBuckets&) const = default;

 private:
  std::array<CLineList, kSectionCount> lists_;
};

// Which of the two files a stage is working on, for reports.
enum class FileSide { kFile1 = 1, kFile2 = 2 };

}  // namespace varnic

#endif  // VARNIC_MODEL_SECTIONS_H_
