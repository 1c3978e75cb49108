#ifndef VARNIC_COM_MODULE_H_
#define VARNIC_COM_MODULE_H_

#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "varnic/com/platform.h"

namespace varnic::com {

// What the framework switches to while a module's interface method runs.
struct CModuleState {
  const char* moduleName;
};

// The module's bookkeeping: the lock count that DllCanUnloadNow reads, the class-object cache,
// the locks and the termination callbacks. One per module; Init runs when the module is loaded
// and Term when it is unloaded.
class CComModule {
 public:
  explicit CComModule(const char* name) : state_{name} {}

  void Init(const GUID& libid);
  void Term();

  long Lock() { return ++locks_; }
  long Unlock() { return --locks_; }
  long LockCount() const { return locks_.load(); }

  // The cached class object for `clsid`, created by `create` on first use under the class-table
  // lock, so that two threads asking at once share one. Returns it with a new reference.
  HRESULT GetClassObject(const CLSID& clsid, const std::function<IUnknown*()>& create,
                         IUnknown** object);

  void AddTermCallback(std::function<void()> callback);

  const CModuleState& State() const { return state_; }
  const GUID& LibId() const { return libid_; }
  std::mutex& TypeInfoLock() { return typeInfoLock_; }

 private:
  CModuleState state_;
  GUID libid_{};
  std::atomic<long> locks_{0};
  std::mutex typeInfoLock_;
  std::mutex staticInitLock_;
  std::mutex classTableLock_;
  std::vector<std::pair<CLSID, IUnknown*>> classObjects_;
  std::vector<std::function<void()>> termCallbacks_;
};

// The module state of the interface method running on this thread; null outside any.
const CModuleState* CurrentModuleState();

// Switches this thread to a module's state for one call and restores the caller's on every way
// out, exceptions included.
class CModuleStateGuard {
 public:
  explicit CModuleStateGuard(const CModuleState& state);
  ~CModuleStateGuard();
  CModuleStateGuard(const CModuleStateGuard&) = delete;
  CModuleStateGuard& operator=(const CModuleStateGuard&) = delete;

 private:
  const CModuleState* previous_;
};

// The one QueryInterface rule set: a null out-pointer is E_POINTER; otherwise the out-pointer is
// cleared first, and the entry whose IID matches is returned with a reference added.
struct CInterfaceEntry {
  const IID* iid;
  IUnknown* pointer;
};
HRESULT QueryInterfaceFrom(std::initializer_list<CInterfaceEntry> table, REFIID riid, void** ppv);

}  // namespace varnic::com

#endif  // VARNIC_COM_MODULE_H_
