#include "base/path_names.h"

namespace varnic::base {

std::filesystem::path PathOf(const std::string& name) {
#if defined(_WIN32)
  return std::u8string(name.begin(), name.end());
#else
  return name;
#endif
}

std::string NameOf(const std::filesystem::path& path) {
#if defined(_WIN32)
  const std::u8string name = path.u8string();
  return {name.begin(), name.end()};
#else
  return path.string();
#endif
}

}  // namespace varnic::base
