#include "varnic/report/device_types.h"

#include <array>
#include <charconv>
#include <optional>

#include "model/header_lines.h"
#include "report/ascii.h"
#include "varnic/sections.h"

namespace varnic::report {
namespace {

// Whether a section of `band` would hold a line once the file is split into sections: lines
// before the first header belong to [5GHz_WirelessSettings], a header empties its section, and
// the lines of an unknown section belong to none. Every comparison without given types asks it
// of both files, so it visits only the header lines: a section holds a line when bytes stand
// between its header's line and the next header.
bool HasBand(std::string_view text, Band band) {
  constexpr std::size_t kNone = kSectionCount;
  std::array<bool, kSectionCount> holds{};  // a line since the section's last header
  auto current = static_cast<std::size_t>(Section::k5GHzWireless);
  std::size_t region = 0;  // where the current section's lines start
  ForEachHeaderLine(text, [&](std::size_t at, std::string_view line, std::size_t next) {
    if (current != kNone && at > region) holds[current] = true;
    const std::optional<Section> section = FindSection(line);
    current = section ? static_cast<std::size_t>(*section) : kNone;
    if (current != kNone) holds[current] = false;
    region = next;
  });
  if (current != kNone && text.size() > region) holds[current] = true;
  for (const Section section : BandSections(band)) {
    if (holds[static_cast<std::size_t>(section)]) return true;
  }
  return false;
}

std::string Described(std::int32_t type) {
  const std::string_view name = TypeName(type);
  return std::string(name) + " (type " + std::to_string(type) + ")";
}

}  // namespace

std::string_view TypeName(std::int32_t type) {
  if (type == kSingleBand) return "single-band";
  if (type == kDualBand) return "dual-band";
  return "";
}

std::optional<std::int32_t> ParseType(std::string_view text) {
  if (EqualsIgnoringCase(text, "single-band")) return kSingleBand;
  if (EqualsIgnoringCase(text, "dual-band")) return kDualBand;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end) return std::nullopt;
  return value;
}

std::string TypeWarning(std::int32_t type1, std::int32_t type2) {
  if (type1 == type2) return {};
  if (type1 != kSingleBand && type1 != kDualBand) {
    return "type " + std::to_string(type1) +
           " of FILE1 is neither 0 (single-band) nor 1 (dual-band): the types differ, so the "
           "files are reconciled, with FILE2 taking both roles";
  }
  if (type2 != kSingleBand && type2 != kDualBand) {
    return "type " + std::to_string(type2) +
           " of FILE2 is neither 0 (single-band) nor 1 (dual-band): it only makes the types "
           "differ, so FILE2 is reconciled as " +
           Described(type1 == kSingleBand ? kDualBand : kSingleBand);
  }
  return {};
}

CDetectedTypes DetectTypes(std::string_view text1, std::string_view text2) {
  const bool has1 = HasBand(text1, Band::k5GHz);
  const bool has2 = HasBand(text2, Band::k5GHz);
  CDetectedTypes types;
  if (has1 == has2) {
    types.why = has1 ? "both files have 5 GHz settings: both taken as dual-band, not reconciled"
                     : "neither file has 5 GHz settings: both taken as single-band, not reconciled";
    types.type1 = types.type2 = has1 ? kDualBand : kSingleBand;
    return types;
  }
  types.type1 = has1 ? kDualBand : kSingleBand;
  types.type2 = has2 ? kDualBand : kSingleBand;
  types.why = std::string(has1 ? "FILE2" : "FILE1") +
              " has no 5 GHz settings: it is taken as the single-band device (type 0), the "
              "other as dual-band (type 1)";
  return types;
}

}  // namespace varnic::report
