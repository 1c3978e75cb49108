#include "model/sections.h"

#include <array>

namespace varnic {
namespace {

constexpr std::array<std::string_view, kSectionCount> kHeaders = {
    "[5GHz_WirelessSettings]",
    "[2.4GHz_WirelessSettings]",
    "[5GHz_SecuritySettings]",
    "[2.4GHz_SecuritySettings]",
    "[5GHz_Filter]",
    "[2.4GHz_Filter]",
    "[System]",
    "[5GHz_MultiSSIDSettings]",
    "[2.4GHz_MultiSSIDSettings]",
};

}  // namespace

std::string_view SectionHeader(Section section) {
  return kHeaders[static_cast<std::size_t>(section)];
}

std::optional<Section> FindSection(std::string_view line) {
  for (std::size_t i = 0; i < kHeaders.size(); ++i) {
    if (kHeaders[i] == line) return static_cast<Section>(i);
  }
  return std::nullopt;
}

}  // namespace varnic
