#include "store/schema.h"

namespace varnic::store {

std::string SchemaProblem(bool ours, bool empty, int version, OpenMode mode) {
  if (!ours && !empty) {
    return "is not a varnic history database (it holds another program's data); left as it was";
  }
  if (version > kSchemaVersion) {
    return "has history schema version " + std::to_string(version) + ", newer than version " +
           std::to_string(kSchemaVersion) + " that this varnic knows; left as it was";
  }
  if (mode == OpenMode::kRead && version < kSchemaVersion) {
    return version == 0 ? "holds no history yet"
                        : "has history schema version " + std::to_string(version) +
                              "; an audit with --db brings it up to date";
  }
  return {};
}

}  // namespace varnic::store
