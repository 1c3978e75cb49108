#include "varnic/sections.h"

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

constexpr std::array<Section, 4> k5GHzSections = {Section::k5GHzWireless, Section::k5GHzSecurity,
                                                  Section::k5GHzFilter, Section::k5GHzMultiSSID};
constexpr std::array<Section, 4> k24GHzSections = {Section::k24GHzWireless, Section::k24GHzSecurity,
                                                   Section::k24GHzFilter, Section::k24GHzMultiSSID};

}  // namespace

std::string_view SectionHeader(Section section) {
  return kHeaders[static_cast<std::size_t>(section)];
}

std::string_view SectionName(Section section) {
  const std::string_view header = SectionHeader(section);
  return header.substr(1, header.size() - 2);
}

std::optional<Section> FindSection(std::string_view line) {
  // Every header is at least 8 bytes and begins with "["; most lines fail on that alone.
  if (line.size() < 8 || line.front() != '[' || line.back() != ']') return std::nullopt;
  for (std::size_t i = 0; i < kHeaders.size(); ++i) {
    if (kHeaders[i] == line) return static_cast<Section>(i);
  }
  return std::nullopt;
}

std::optional<Band> BandOf(Section section) {
  for (const Band band : {Band::k5GHz, Band::k24GHz}) {
    for (const Section member : BandSections(band)) {
      if (member == section) return band;
    }
  }
  return std::nullopt;
}

const std::array<Section, 4>& BandSections(Band band) {
  return band == Band::k5GHz ? k5GHzSections : k24GHzSections;
}

}  // namespace varnic
