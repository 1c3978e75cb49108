#ifndef VARNIC_REPORT_DEVICE_TYPES_H_
#define VARNIC_REPORT_DEVICE_TYPES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnic::report {

// The two device types the comparison tells apart. When the files' types differ, the type-0
// file is reconciled against the type-1 file: a band the type-0 device has no settings for is
// cleared in the type-1 file, and the type-0 file keeps only keys the type-1 file also has.
inline constexpr std::int32_t kSingleBand = 0;  // a device that may lack the 5 GHz radio
inline constexpr std::int32_t kDualBand = 1;

// "single-band", "dual-band", or "" for another number.
std::string_view TypeName(std::int32_t type);

// A type as given on the command line: a 32-bit number or a role name ("single-band",
// "dual-band", in any letter case). None when it is neither.
std::optional<std::int32_t> ParseType(std::string_view text);

// A warning for a pair of types the comparison treats other than their names suggest (a
// number that is neither 0 nor 1); empty when there is nothing to say.
std::string TypeWarning(std::int32_t type1, std::int32_t type2);

// Types chosen from the files: a file with no setting in any 5 GHz section is the single-band
// device and the other the dual-band one; when both or neither have 5 GHz settings the types are
// equal and nothing is reconciled. `why` receives one sentence saying what was chosen.
struct CDetectedTypes {
  std::int32_t type1 = kSingleBand;
  std::int32_t type2 = kSingleBand;
  std::string why;
};
CDetectedTypes DetectTypes(std::string_view text1, std::string_view text2);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_DEVICE_TYPES_H_
