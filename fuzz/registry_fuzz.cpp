// The registry store's text form: whatever parses must survive a save and a load unchanged, so
// a key or value accepted from disk is never silently lost or renamed at the next write.
#include <cstddef>
#include <cstdint>
#include <string>

#include "com/registry.h"
#include "fuzz/fuzz_check.h"

namespace {

using varnic::com::CRegistryKey;
using varnic::com::CRegistryTree;
using varnic::fuzz::Check;

// Names compare as the store compares them (ASCII case folded), and so does the tree.
bool SameName(const std::string& a, const std::string& b) {
  const varnic::com::CaseInsensitiveLess less;
  return !less(a, b) && !less(b, a);
}

bool SameKey(const CRegistryKey& a, const CRegistryKey& b) {
  if (a.defaultValue != b.defaultValue || a.values.size() != b.values.size() ||
      a.subkeys.size() != b.subkeys.size()) {
    return false;
  }
  for (auto x = a.values.begin(), y = b.values.begin(); x != a.values.end(); ++x, ++y) {
    if (!SameName(x->first, y->first) || x->second != y->second) return false;
  }
  for (auto x = a.subkeys.begin(), y = b.subkeys.begin(); x != a.subkeys.end(); ++x, ++y) {
    if (!SameName(x->first, y->first) || !SameKey(x->second, y->second)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CRegistryTree tree;
  std::string error;
  if (!CRegistryTree::Parse(varnic::fuzz::AsText(data, size), tree, error)) {
    Check(!error.empty(), "a rejected store gives no reason");
    return 0;
  }
  const std::string saved = tree.Serialize();
  CRegistryTree reloaded;
  Check(CRegistryTree::Parse(saved, reloaded, error), "a saved store does not load");
  Check(SameKey(*tree.Find(""), *reloaded.Find("")), "a save and a load change the tree");
  Check(reloaded.Serialize() == saved, "a second save differs from the first");
  return 0;
}
