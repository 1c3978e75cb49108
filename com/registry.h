#ifndef VARNIC_COM_REGISTRY_H_
#define VARNIC_COM_REGISTRY_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "varnic/com/com_types.h"

namespace varnic::com {

// Key and value names compare without regard to ASCII case, as on the platform.
struct CaseInsensitiveLess {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};

struct CRegistryKey {
  std::optional<std::string> defaultValue;
  std::map<std::string, std::string, CaseInsensitiveLess> values;
  std::map<std::string, CRegistryKey, CaseInsensitiveLess> subkeys;
};

// A whole registry in memory. Paths are backslash-separated, e.g. "HKCR\CLSID\{...}".
class CRegistryTree {
 public:
  const CRegistryKey* Find(std::string_view path) const;
  CRegistryKey& Create(std::string_view path);
  // Removes the key and everything below it; false when there was none.
  bool Delete(std::string_view path);

  // The text form the store keeps on disk, keys in sorted order.
  std::string Serialize() const;
  // Parses the text form; on failure returns false and says where in `error`.
  static bool Parse(std::string_view text, CRegistryTree& tree, std::string& error);

 private:
  CRegistryKey root_;
};

// The registry as a file shared by every process of a user. Writers are serialized by a lock
// file, every save is atomic (temporary file, fsync, rename), and a damaged file is reported and
// never replaced.
class CRegistryStore {
 public:
  explicit CRegistryStore(std::string path) : path_(std::move(path)) {}

  // $VARNIC_REGISTRY, else $XDG_DATA_HOME/varnic/registry.reg, else
  // $HOME/.local/share/varnic/registry.reg (both absolute). Empty when there is none of them: a
  // store in a shared folder would let other users name the modules hosts load, so a store with
  // an empty path refuses every call.
  static std::string DefaultPath();

  const std::string& Path() const { return path_; }
  // Where a save of the store at `path` lands: a symbolic link (a chain of them) is followed to
  // the file it names, and that file is replaced; the link stays.
  static std::string WrittenPath(const std::string& path);

  // Reads the current tree. A missing file is an empty registry.
  HRESULT Read(CRegistryTree& tree) const;
  // Reads, applies `change` and saves, all under the writers' lock; nothing is saved when
  // `change` fails.
  HRESULT Update(const std::function<HRESULT(CRegistryTree&)>& change);

  // Why the last failed call failed, naming the file.
  const std::string& LastError() const { return error_; }

 private:
  HRESULT Load(CRegistryTree& tree) const;
  HRESULT Change(const std::function<HRESULT(CRegistryTree&)>& change);
  HRESULT Save(const CRegistryTree& tree);

  std::string path_;
  mutable std::string error_;
};

// Why the last failed Read or Update on this thread failed, whichever store it was on: the
// reason (file and line) for a caller that only got a status back through a module's entry point.
std::string LastRegistryError();

}  // namespace varnic::com

#endif  // VARNIC_COM_REGISTRY_H_
