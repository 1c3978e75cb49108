#include "audit/save_names.h"

#include <filesystem>
#include <set>

namespace varnic::audit {
namespace {

// Room for the longest suffix (".baseline.cfg", a "~N" and a staging name's extra) within the
// 255 bytes most file systems allow.
constexpr std::size_t kMaxStem = 180;

std::string StemOf(const std::string& target) {
  std::string stem;
  std::size_t i = 0;
  while (i < target.size() && (target[i] == '/' || target[i] == '\\')) ++i;
  for (; i < target.size(); ++i) {
    const char c = target[i];
    if (c == '/' || c == '\\') {
      stem += "__";
    } else if (c == ':') {
      stem += '_';
    } else {
      stem += c;
    }
  }
  if (stem.empty() || stem == "." || stem == "..") stem = "target" + stem;
  if (stem.size() > kMaxStem) stem.resize(kMaxStem);
  return stem;
}

}  // namespace

std::vector<CSavePaths> SaveNamesFor(const std::vector<std::string>& targets,
                                     const std::string& directory) {
  std::vector<CSavePaths> names;
  names.reserve(targets.size());
  std::set<std::string> taken;
  const std::filesystem::path dir(directory);
  for (const std::string& target : targets) {
    const std::string stem = StemOf(target);
    std::string name = stem;
    for (int n = 2; !taken.insert(name).second; ++n) name = stem + "~" + std::to_string(n);
    names.push_back(
        {(dir / (name + ".baseline.cfg")).string(), (dir / (name + ".device.cfg")).string(), {}});
  }
  return names;
}

}  // namespace varnic::audit
