// The module on Windows: its path and resources from the loader, registration in the system
// registry, the type library through oleaut32.
#include <mutex>
#include <string>
#include <string_view>

#include "com/registrar.h"
#include "shell/varnic_module.h"
#include "varnic/shell/varnic_ids.h"

namespace varnic::shell {
namespace {

using namespace varnic::com;

constexpr int kRegistryScriptId = 102;

ITypeInfo* cachedTypeInfo = nullptr;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// The module's own file; empty when it cannot be had.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated
  }
}

// UTF-8 to UTF-16 and back, strictly; false for input that is not valid.
bool Widen(std::string_view text, std::wstring& out) {
  out.clear();
  if (text.empty()) return true;
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return false;
  out.resize(static_cast<std::size_t>(size));
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                               static_cast<int>(text.size()), out.data(), size) == size;
}

bool Narrow(std::wstring_view text, UINT codePage, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  // The UTF-8 code page reports unspellable input as an error; the others through `lossy`.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  const int size =
      ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                            nullptr, utf8 ? nullptr : &lossy);
  if (size <= 0 || lossy) return false;
  out.resize(static_cast<std::size_t>(size));
  return ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                               out.data(), size, nullptr, utf8 ? nullptr : &lossy) == size &&
         !lossy;
}

// Registration scripts applied to the system registry. Only the classes root is written.
class CSystemRegistry final : public CRegistryTarget {
 public:
  bool CreateKey(const std::string& path, std::string& error) override {
    HKEY key = nullptr;
    if (!Open(path, key, error)) return false;
    if (key != HKEY_CLASSES_ROOT) ::RegCloseKey(key);
    return true;
  }

  bool SetValue(const std::string& path, const std::string& name, const std::string& value,
                std::string& error) override {
    std::wstring wideName;
    std::wstring wideValue;
    if (!Widen(name, wideName) || !Widen(value, wideValue)) {
      return Fail(ERROR_NO_UNICODE_TRANSLATION, "set a value of", path, error);
    }
    HKEY key = nullptr;
    if (!Open(path, key, error)) return false;
    const auto bytes = static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        ::RegSetValueExW(key, name.empty() ? nullptr : wideName.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(wideValue.c_str()), bytes);
    if (key != HKEY_CLASSES_ROOT) ::RegCloseKey(key);
    return status == ERROR_SUCCESS || Fail(status, "set a value of", path, error);
  }

  bool DeleteKey(const std::string& path, std::string& error) override {
    std::wstring subkey;
    if (!Split(path, subkey, error)) return false;
    if (subkey.empty()) return Fail(ERROR_ACCESS_DENIED, "delete", path, error);
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, subkey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ||
           Fail(status, "delete", path, error);
  }

  LSTATUS LastStatus() const { return status_; }

 private:
  bool Fail(LSTATUS status, const char* what, const std::string& path, std::string& error) {
    status_ = status;
    error = std::string("cannot ") + what + " " + path + " (error " + std::to_string(status) + ")";
    return false;
  }

  bool Split(const std::string& path, std::wstring& subkey, std::string& error) {
    const std::size_t slash = path.find('\\');
    const std::string root = path.substr(0, slash);
    if (root != "HKCR" && root != "HKEY_CLASSES_ROOT") {
      return Fail(ERROR_INVALID_PARAMETER, "write", path, error);
    }
    if (!Widen(slash == std::string::npos ? std::string() : path.substr(slash + 1), subkey)) {
      return Fail(ERROR_NO_UNICODE_TRANSLATION, "write", path, error);
    }
    return true;
  }

  bool Open(const std::string& path, HKEY& key, std::string& error) {
    std::wstring subkey;
    if (!Split(path, subkey, error)) return false;
    if (subkey.empty()) {
      key = HKEY_CLASSES_ROOT;
      return true;
    }
    const LSTATUS status =
        ::RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, &key, nullptr);
    return status == ERROR_SUCCESS || Fail(status, "create", path, error);
  }

  LSTATUS status_ = ERROR_SUCCESS;
};

HRESULT RunScript(bool registering) {
  const HMODULE module = ThisModule();
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(kRegistryScriptId), L"REGISTRY");
  const HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return E_UNEXPECTED;
  const std::string_view script(static_cast<const char*>(bytes), ::SizeofResource(module, found));

  std::string path;
  if (!Narrow(ModulePath(), CP_UTF8, path) || path.empty()) return E_UNEXPECTED;
  CRegistrar registrar;
  registrar.AddReplacement("MODULE", QuoteForScript(path));
  CSystemRegistry registry;
  std::string error;
  const bool ok = registering ? registrar.Register(script, registry, error)
                              : registrar.Unregister(script, registry, error);
  if (ok) return S_OK;
  return registry.LastStatus() != ERROR_SUCCESS ? HRESULT_FROM_WIN32(registry.LastStatus())
                                                : E_UNEXPECTED;  // a malformed script
}

// The embedded type library, with one reference.
HRESULT LoadOwnTypeLib(ITypeLib** lib) {
  const std::wstring path = ModulePath();
  if (path.empty()) return TYPE_E_CANTLOADLIBRARY;
  return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

}  // namespace

HRESULT GetVarnicTypeInfo(ITypeInfo** info) {
  const std::lock_guard lock(Module().TypeInfoLock());
  if (cachedTypeInfo == nullptr) {
    ITypeLib* lib = nullptr;
    if (const HRESULT hr = LoadOwnTypeLib(&lib); FAILED(hr)) return hr;
    const HRESULT hr = lib->GetTypeInfoOfGuid(IID_IVarnic, &cachedTypeInfo);
    lib->Release();
    if (FAILED(hr)) return hr;
    Module().AddTermCallback([] {
      cachedTypeInfo->Release();
      cachedTypeInfo = nullptr;
    });
  }
  cachedTypeInfo->AddRef();
  *info = cachedTypeInfo;
  return S_OK;
}

// The file layer takes names as UTF-8 and opens them by their UTF-16 form, so that a name
// outside the host's ANSI code page still opens. A name with an unpaired surrogate or a NUL
// cannot be spelled: empty, which no file has.
std::string FilePathFrom(BSTR path) {
  const std::wstring_view wide(path != nullptr ? path : L"", ::SysStringLen(path));
  std::string narrow;
  if (wide.find(L'\0') != std::wstring_view::npos || !Narrow(wide, CP_UTF8, narrow)) return {};
  return narrow;
}

HRESULT RegisterServer() {
  if (const HRESULT hr = RunScript(true); FAILED(hr)) return hr;
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadOwnTypeLib(&lib);
  if (FAILED(hr)) return hr;
  std::wstring path = ModulePath();
  std::wstring dir = path.substr(0, path.find_last_of(L'\\'));
  if (!dir.empty() && dir.back() == L':') dir += L'\\';  // a drive's root keeps its backslash
  hr = ::RegisterTypeLib(lib, path.data(), dir.data());
  lib->Release();
  return hr;
}

HRESULT UnregisterServer() {
  const HRESULT result = RunScript(false);
  // Best effort: a library that was never registered is no failure of unregistration.
  ITypeLib* lib = nullptr;
  if (SUCCEEDED(LoadOwnTypeLib(&lib))) {
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&attr))) {
      ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                          attr->syskind);
      lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
  }
  return result;
}

}  // namespace varnic::shell
