#ifndef VARNIC_AUDIT_DEVICE_RESULT_H_
#define VARNIC_AUDIT_DEVICE_RESULT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnic::audit {

// How one setting of a device departs from its baseline.
enum class DriftKind : std::uint8_t {
  kDifferent,       // compared, and the values differ
  kOnlyInBaseline,  // compared; the device lacks it
  kOnlyInDevice,    // compared; the baseline lacks it
  kHidden,          // not compared (dropped, reconciled, a later duplicate) and differs
};

// One drifted setting. The values are copies, cut at kMaxKeptValue bytes, and secret values are
// already masked unless the audit shows secrets: a row outlives its comparison.
struct CDrift {
  std::string section;  // header text, "[System]"
  std::string key;
  DriftKind kind = DriftKind::kDifferent;
  std::string baseline;  // empty when the baseline lacks it
  std::string device;
  // A toggle: the file lacking the setting has a line of it that a stage set aside (its value
  // fills that side); this says why. Empty otherwise.
  std::string setAside{};
  // Set only for a history (CPairOptions::forHistory), until ForOutputs: a setting an ignore
  // pattern matched, and a secret whose values are digests where the outputs mask them.
  bool ignored = false;
  bool secret = false;
};

inline constexpr std::size_t kMaxKeptValue = 200;
// Drift rows a device keeps for the outputs: a fleet of devices that differ in everything must
// not hold every value of every device (its settings are still tallied, see CSettingTally).
inline constexpr std::size_t kMaxKeptDrift = 25;

// What the audit keeps of one device: its summary row and the names and values of what drifted,
// never the comparison itself, so memory grows with the drift and not with the fleet's bytes.
struct CDeviceResult {
  std::string path;      // the target as found
  std::string baseline;  // the baseline it was compared against
  std::string error;     // why it could not be audited; empty when it was
  // Why a file a directory walk found is no backup (saved marked results); such a result is
  // left out of the summary with a note.
  std::string skipped;
  std::int32_t baselineType = 0;
  std::int32_t deviceType = 0;
  std::size_t differences = 0;  // settings the marked results show as d_ or o_, ignored ones not
  std::size_t onlyInBaseline = 0;
  std::size_t onlyInDevice = 0;
  std::size_t hidden = 0;        // settings not compared that differ
  std::size_t ignored = 0;       // differing settings an ignore pattern matched
  bool drifted = false;          // the pair's verdict: differences, or hidden ones under --strict
  std::vector<CDrift> drift;     // the first kMaxKeptDrift once the audit has tallied them
  std::size_t driftOmitted = 0;  // drifted settings beyond those
  double seconds = 0;            // what reading, comparing and saving the pair took

  bool Failed() const { return !error.empty(); }
};

// "different", "only_in_baseline", "only_in_device", "hidden": the names JSON uses.
const char* DriftKindName(DriftKind kind);
bool DriftKindFromName(const std::string& name, DriftKind& kind);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_DEVICE_RESULT_H_
