#include "com/module.h"

#include <algorithm>

namespace varnic::com {
namespace {

thread_local const CModuleState* currentState = nullptr;

}  // namespace

void CComModule::Init(const GUID& libid) {
  const std::lock_guard lock(staticInitLock_);
  libid_ = libid;
}

void CComModule::Term() {
  std::vector<std::pair<CLSID, IUnknown*>> objects;
  std::vector<std::function<void()>> callbacks;
  {
    const std::lock_guard lock(classTableLock_);
    objects.swap(classObjects_);
    callbacks.swap(termCallbacks_);
  }
  for (auto& [clsid, object] : objects) object->Release();
  // Callbacks run last registered first, as the platform runs them.
  std::for_each(callbacks.rbegin(), callbacks.rend(), [](const auto& callback) { callback(); });
}

HRESULT CComModule::GetClassObject(const CLSID& clsid, const std::function<IUnknown*()>& create,
                                   IUnknown** object) {
  const std::lock_guard lock(classTableLock_);
  auto it = std::find_if(classObjects_.begin(), classObjects_.end(),
                         [&](const auto& entry) { return entry.first == clsid; });
  if (it == classObjects_.end()) {
    IUnknown* created = create();
    if (created == nullptr) return E_OUTOFMEMORY;
    classObjects_.emplace_back(clsid, created);
    it = classObjects_.end() - 1;
  }
  it->second->AddRef();
  *object = it->second;
  return S_OK;
}

void CComModule::AddTermCallback(std::function<void()> callback) {
  const std::lock_guard lock(classTableLock_);
  termCallbacks_.push_back(std::move(callback));
}

HRESULT QueryInterfaceFrom(std::initializer_list<CInterfaceEntry> table, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (const CInterfaceEntry& entry : table) {
    if (*entry.iid == riid) {
      entry.pointer->AddRef();
      *ppv = entry.pointer;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

const CModuleState* CurrentModuleState() { return currentState; }

CModuleStateGuard::CModuleStateGuard(const CModuleState& state) : previous_(currentState) {
  currentState = &state;
}

CModuleStateGuard::~CModuleStateGuard() { currentState = previous_; }

}  // namespace varnic::com
