#include "model/emit_normalized.h"

#include <algorithm>

namespace varnic {

bool HasNoLines(const CSectionBuckets& buckets) {
  return std::all_of(kEmissionOrder.begin(), kEmissionOrder.end(),
                     [&](Section section) { return buckets[section].empty(); });
}

std::string NormalizedText(const CSectionBuckets& buckets) {
  std::string text;
  for (const Section section : kEmissionOrder) {
    const CLines& bucket = buckets[section];
    if (bucket.empty()) continue;
    text.append(SectionHeader(section)).push_back('\n');
    for (const std::string_view line : bucket) text.append(line).push_back('\n');
  }
  return text;
}

}  // namespace varnic
