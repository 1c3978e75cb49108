#include "model/emit_normalized.h"

#include <new>

namespace varnic {

bool EmitNormalizedLines(const CSectionBuckets& buckets, CLineList& out) {
  out.clear();
  try {
    for (const Section section : kEmissionOrder) {
      const CLineList& bucket = buckets[section];
      if (bucket.empty()) continue;
      out.emplace_back(SectionHeader(section));
      out.insert(out.end(), bucket.begin(), bucket.end());
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace varnic
