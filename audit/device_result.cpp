#include "audit/device_result.h"

#include <array>
#include <utility>

namespace varnic::audit {
namespace {

constexpr std::array<std::pair<DriftKind, const char*>, 4> kNames = {{
    {DriftKind::kDifferent, "different"},
    {DriftKind::kOnlyInBaseline, "only_in_baseline"},
    {DriftKind::kOnlyInDevice, "only_in_device"},
    {DriftKind::kHidden, "hidden"},
}};

}  // namespace

const char* DriftKindName(DriftKind kind) {
  for (const auto& [k, name] : kNames) {
    if (k == kind) return name;
  }
  return "different";
}

bool DriftKindFromName(const std::string& name, DriftKind& kind) {
  for (const auto& [k, text] : kNames) {
    if (name == text) {
      kind = k;
      return true;
    }
  }
  return false;
}

}  // namespace varnic::audit
