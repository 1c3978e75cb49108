#include "report/device_types.h"

#include <charconv>

#include "model/split_sections.h"
#include "report/ascii.h"

namespace varnic::cli {
namespace {

bool HasBand(std::string_view text, Band band) {
  CChangeLog ignored;
  const CSplitFile split = SplitIntoSections(text, FileSide::kFile1, ignored);
  for (const Section section : BandSections(band)) {
    if (!split.buckets[section].empty()) return true;
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

}  // namespace varnic::cli
