// Registration scripts. The input is a value and a script, cut at the first NUL. The value goes
// through a placeholder and must arrive byte for byte; the script, applied to the store's tree,
// must leave a tree the store can save and load back, and registering twice must change nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "com/registrar.h"
#include "com/registry.h"
#include "fuzz/fuzz_check.h"

namespace {

using varnic::com::CRegistrar;
using varnic::com::CRegistryTree;
using varnic::fuzz::Check;

void CheckQuotedValue(std::string_view value) {
  CRegistrar registrar;
  registrar.AddReplacement("VALUE", varnic::com::QuoteForScript(value));
  CRegistryTree tree;
  std::string error;
  Check(registrar.Register("HKCR {\n ForceRemove K = s '%VALUE%' {\n val N = s '%VALUE%'\n }\n}",
                           tree, error),
        "a quoted value breaks the script");
  const varnic::com::CRegistryKey* key = tree.Find("HKCR\\K");
  Check(key != nullptr && key->defaultValue == value, "a quoted value changes on the way");
  const auto named = key->values.find("N");
  Check(named != key->values.end() && named->second == value, "a named value changes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = varnic::fuzz::AsText(data, size);
  const std::size_t cut = input.find('\0');
  CheckQuotedValue(input.substr(0, cut));
  if (cut == std::string_view::npos) return 0;
  const std::string_view script = input.substr(cut + 1);

  CRegistrar registrar;
  registrar.AddReplacement("MODULE", "/usr/lib/x.so");
  CRegistryTree tree;
  std::string error;
  const bool registered = registrar.Register(script, tree, error);
  Check(registered || !error.empty(), "a rejected script gives no reason");
  CRegistryTree removed;
  std::string removeError;
  // Removing only deletes, so it fails only on a malformed script.
  Check(registrar.Unregister(script, removed, removeError) || !registered,
        "a script that registers cannot be removed");
  if (!registered) return 0;

  const std::string saved = tree.Serialize();
  CRegistryTree reloaded;
  Check(CRegistryTree::Parse(saved, reloaded, error), "a registered tree cannot be saved");
  Check(reloaded.Serialize() == saved, "a registered tree changes when saved and loaded");
  Check(registrar.Register(script, tree, error), "a script that ran once fails the second time");
  Check(tree.Serialize() == saved, "registering twice differs from registering once");
  return 0;
}
