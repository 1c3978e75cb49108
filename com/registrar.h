#ifndef VARNIC_COM_REGISTRAR_H_
#define VARNIC_COM_REGISTRAR_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnic::com {

class CRegistryTree;  // com/registry.h

// Where a script's keys go: the registry store's tree here, the platform's registry on Windows.
// Paths are backslash-separated from the root ("HKCR\CLSID\{...}"); an empty value name is
// the key's default value. A failed call stops the script and its message is reported.
class CRegistryTarget {
 public:
  virtual bool CreateKey(const std::string& path, std::string& error) = 0;
  virtual bool SetValue(const std::string& path, const std::string& name, const std::string& value,
                        std::string& error) = 0;
  // Removes the key and everything below it; a key that is not there is no failure.
  virtual bool DeleteKey(const std::string& path, std::string& error) = 0;

 protected:
  ~CRegistryTarget() = default;
};

// Runs a registration script in the platform's syntax:
//   HKCR { NoRemove CLSID { ForceRemove {guid} = s 'Name' { val ThreadingModel = s 'x' } } }
// Registering creates every key, setting default and named values; a ForceRemove key is deleted
// first. Removing deletes every key with everything below it, except NoRemove keys, which are
// only descended into. %NAME% placeholders are replaced before parsing; a replacement must
// already have its single quotes doubled (see QuoteForScript).
class CRegistrar {
 public:
  void AddReplacement(std::string name, std::string value);
  // Applies `script` to `target`; false with `error` set when the script is malformed or the
  // target fails (the keys handled before the failure stay as they are).
  bool Register(std::string_view script, CRegistryTarget& target, std::string& error) const;
  bool Unregister(std::string_view script, CRegistryTarget& target, std::string& error) const;
  // The same on a tree of the registry store (defined with the store, in com/registry.cpp).
  bool Register(std::string_view script, CRegistryTree& tree, std::string& error) const;
  bool Unregister(std::string_view script, CRegistryTree& tree, std::string& error) const;

 private:
  bool Run(std::string_view script, bool registering, CRegistryTarget& target,
           std::string& error) const;
  std::vector<std::pair<std::string, std::string>> replacements_;
};

// Doubles every single quote, as a value inside '...' must have it.
std::string QuoteForScript(std::string_view text);

}  // namespace varnic::com

#endif  // VARNIC_COM_REGISTRAR_H_
