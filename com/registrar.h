#ifndef VARNIC_COM_REGISTRAR_H_
#define VARNIC_COM_REGISTRAR_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "com/com_types.h"
#include "com/registry.h"

namespace varnic::com {

// Runs a registration script in the platform's syntax:
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'Name' { val ThreadingModel = s 'x' } } }
// Registering creates every key, setting default and named values; a ForceRemove key is deleted
// first. Removing deletes every key with everything below it, except NoRemove keys, which are
// only descended into. %NAME% placeholders are replaced before parsing; a replacement must
// already have its single quotes doubled (see QuoteForScript).
class CRegistrar {
 public:
  void AddReplacement(std::string name, std::string value);
  // Applies `script` to `tree`; false with `error` set when the script is malformed.
  bool Register(std::string_view script, CRegistryTree& tree, std::string& error) const;
  bool Unregister(std::string_view script, CRegistryTree& tree, std::string& error) const;

 private:
  bool Run(std::string_view script, bool registering, CRegistryTree& tree,
           std::string& error) const;
  std::vector<std::pair<std::string, std::string>> replacements_;
};

// Doubles every single quote, as a value inside '...' must have it.
std::string QuoteForScript(std::string_view text);

}  // namespace varnic::com

#endif  // VARNIC_COM_REGISTRAR_H_
