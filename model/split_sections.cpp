#include "model/split_sections.h"

namespace varnic {

void SplitIntoSections(const CLineList& raw, CSectionBuckets& buckets) {
  CLineList* current = &buckets[Section::k5GHzWireless];
  for (const std::string& line : raw) {
    if (!line.empty() && line.front() == '[') {
      if (const auto section = FindSection(line)) {
        current = &buckets[*section];
        current->clear();
      } else {
        // Filing an unknown section's lines under the previous one would compare them as
        // that section's settings.
        current = nullptr;
      }
      continue;
    }
    if (current != nullptr) current->push_back(line);
  }
}

}  // namespace varnic
