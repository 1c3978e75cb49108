// Prints what a type library describes, for comparing the x86 DLL's library with the x64 one's
// through the platform's own reader (the x86 DLL is only read, never run):
//   varnic-typelib-dump.exe MODULE
// First line "syskind N"; then the library, each type, its functions and their parameters by
// name, id, kind, flags and variant type. Vtable offsets and sizes, which follow the pointer
// size, are left out. Exits 1 when the library cannot be loaded.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

void PrintGuid(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  std::wprintf(L"%ls", text);
}

void PrintName(ITypeInfo* info, MEMBERID id) {
  BSTR name = nullptr;
  BSTR doc = nullptr;
  info->GetDocumentation(id, &name, &doc, nullptr, nullptr);
  std::wprintf(L" %ls \"%ls\"", name != nullptr ? name : L"", doc != nullptr ? doc : L"");
  ::SysFreeString(name);
  ::SysFreeString(doc);
}

void PrintFunction(ITypeInfo* info, unsigned index) {
  FUNCDESC* func = nullptr;
  if (FAILED(info->GetFuncDesc(index, &func))) return;
  std::wprintf(L"  function %ld kind %d invoke %d call %d flags %d returns %d:", func->memid,
               func->funckind, func->invkind, func->callconv, func->wFuncFlags,
               func->elemdescFunc.tdesc.vt);
  PrintName(info, func->memid);
  BSTR names[16] = {};
  UINT count = 0;
  info->GetNames(func->memid, names, 16, &count);
  for (UINT i = 0; i < count; ++i) {
    std::wprintf(L" %ls", names[i]);
    ::SysFreeString(names[i]);
  }
  std::wprintf(L"\n");
  for (SHORT i = 0; i < func->cParams; ++i) {
    const ELEMDESC& param = func->lprgelemdescParam[i];
    std::wprintf(L"    param %d type %d", i, param.tdesc.vt);
    if (param.tdesc.vt == VT_PTR) std::wprintf(L" to %d", param.tdesc.lptdesc->vt);
    std::wprintf(L" flags %d\n", param.paramdesc.wParamFlags);
  }
  info->ReleaseFuncDesc(func);
}

void PrintType(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return;
  std::wprintf(L"type ");
  PrintGuid(attr->guid);
  std::wprintf(L" kind %d flags %d functions %d variables %d implements %d version %d.%d:",
               attr->typekind, attr->wTypeFlags, attr->cFuncs, attr->cVars, attr->cImplTypes,
               attr->wMajorVerNum, attr->wMinorVerNum);
  PrintName(info, MEMBERID_NIL);
  std::wprintf(L"\n");
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    HREFTYPE ref = 0;
    ITypeInfo* base = nullptr;
    INT flags = 0;
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, &base))) {
      info->GetImplTypeFlags(i, &flags);
      std::wprintf(L"  implements flags %d:", flags);
      PrintName(base, MEMBERID_NIL);
      std::wprintf(L"\n");
      base->Release();
    }
  }
  for (UINT i = 0; i < attr->cFuncs; ++i) PrintFunction(info, i);
  info->ReleaseTypeAttr(attr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: varnic-typelib-dump MODULE\n");
    return 2;
  }
  ITypeLib* lib = nullptr;
  const HRESULT hr = ::LoadTypeLibEx(argv[1], REGKIND_NONE, &lib);
  if (FAILED(hr)) {
    std::fwprintf(stderr, L"varnic-typelib-dump: cannot load %ls (0x%08lX)\n", argv[1],
                  static_cast<unsigned long>(hr));
    return 1;
  }
  TLIBATTR* attr = nullptr;
  if (SUCCEEDED(lib->GetLibAttr(&attr))) {
    std::wprintf(L"syskind %d\nlibrary ", attr->syskind);
    PrintGuid(attr->guid);
    std::wprintf(L" version %d.%d lcid %lu flags %d\n", attr->wMajorVerNum, attr->wMinorVerNum,
                 attr->lcid, attr->wLibFlags);
    lib->ReleaseTLibAttr(attr);
  }
  for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
    ITypeInfo* info = nullptr;
    if (SUCCEEDED(lib->GetTypeInfo(i, &info))) {
      PrintType(info);
      info->Release();
    }
  }
  lib->Release();
  return 0;
}
