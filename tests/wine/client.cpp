// A Windows host of VarnicObj.dll, run under Wine by scripts/wine-test.sh: it knows only the
// ProgID and the declarations widl made from shell/varnic.idl, and calls the component early
// bound through IVarnic and late bound through IDispatch.
//   varnic-client.exe FILE1 FILE2 OUTDIR
// Saves OUTDIR\early1.txt, early2.txt, late1.txt, late2.txt; prints the counts; exits 1 on the
// first check that fails, naming it.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "varnic_h.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what, HRESULT hr = S_OK) {
  if (ok) return;
  std::fprintf(stderr, "varnic-client: %s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
  ++failures;
}

// Owns one BSTR.
class CBstr {
 public:
  explicit CBstr(const std::wstring& text) : text_(::SysAllocString(text.c_str())) {}
  ~CBstr() { ::SysFreeString(text_); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

HRESULT Call(IDispatch* dispatch, const wchar_t* name, VARIANT* args, UINT count,
             UINT* argErr = nullptr) {
  DISPID id = 0;
  auto* names = const_cast<LPOLESTR>(name);
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS params{args, nullptr, count, 0};
  VARIANT result;
  ::VariantInit(&result);
  hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                        nullptr, argErr);
  ::VariantClear(&result);
  return hr;
}

void EarlyBound(IVarnic* varnic, const CBstr& in1, const CBstr& in2, const std::wstring& dir) {
  const CBstr out1(dir + L"\\early1.txt");
  const CBstr out2(dir + L"\\early2.txt");
  HRESULT hr = varnic->LoadFromFile(in1.Get(), 0, in2.Get(), 0);
  Check(hr == S_OK, "LoadFromFile", hr);
  hr = varnic->CompareFile();
  Check(hr == S_OK, "CompareFile", hr);
  long count1 = -1;
  long count2 = -1;
  hr = varnic->SaveToFile(out1.Get(), &count1, out2.Get(), &count2);
  Check(hr == S_OK && count1 > 0 && count1 == count2, "SaveToFile", hr);
  std::printf("early %ld %ld\n", count1, count2);
  long untouched = 7;
  hr = varnic->SaveToFile(out1.Get(), nullptr, out2.Get(), &untouched);
  Check(hr == E_POINTER && untouched == 7, "SaveToFile with a null count gives E_POINTER", hr);
  const CBstr missing(L"C:\\no\\such\\file.cfg");
  hr = varnic->LoadFromFile(missing.Get(), 0, in2.Get(), 0);
  Check(hr == S_FALSE, "LoadFromFile of a missing file gives S_FALSE", hr);
}

void LateBound(IDispatch* dispatch, const CBstr& in1, const CBstr& in2, const std::wstring& dir) {
  const CBstr out1(dir + L"\\late1.txt");
  const CBstr out2(dir + L"\\late2.txt");
  VARIANT load[4];  // last argument first
  for (VARIANT& v : load) ::VariantInit(&v);
  load[0].vt = VT_I4;
  load[1].vt = VT_BSTR;
  load[1].bstrVal = in2.Get();
  load[2].vt = VT_I2;
  load[3].vt = VT_BSTR;
  load[3].bstrVal = in1.Get();
  HRESULT hr = Call(dispatch, L"loadfromfile", load, 4);
  Check(hr == S_OK, "Invoke LoadFromFile", hr);
  hr = Call(dispatch, L"CompareFile", nullptr, 0);
  Check(hr == S_OK, "Invoke CompareFile", hr);

  // As VBScript passes its variables: references to variants.
  VARIANT count1;
  VARIANT count2;
  ::VariantInit(&count1);
  ::VariantInit(&count2);
  VARIANT save[4];
  save[0].vt = VT_BYREF | VT_VARIANT;
  save[0].pvarVal = &count2;
  save[1].vt = VT_BSTR;
  save[1].bstrVal = out2.Get();
  save[2].vt = VT_BYREF | VT_VARIANT;
  save[2].pvarVal = &count1;
  save[3].vt = VT_BSTR;
  save[3].bstrVal = out1.Get();
  hr = Call(dispatch, L"SaveToFile", save, 4);
  Check(hr == S_OK && count1.vt == VT_I4 && count2.vt == VT_I4 && count1.lVal > 0,
        "Invoke SaveToFile with variables", hr);
  std::printf("late %ld %ld\n", count1.lVal, count2.lVal);

  // As JScript passes them: plain numbers, nothing comes back.
  save[0].vt = VT_I4;
  save[0].lVal = 0;
  save[2].vt = VT_R8;
  save[2].dblVal = 0;
  hr = Call(dispatch, L"SaveToFile", save, 4);
  Check(hr == S_OK && save[0].vt == VT_I4 && save[0].lVal == 0, "Invoke SaveToFile with numbers",
        hr);

  const CBstr text(L"many");
  save[0].vt = VT_BSTR;
  save[0].bstrVal = text.Get();
  UINT argErr = 99;
  hr = Call(dispatch, L"SaveToFile", save, 4, &argErr);
  Check(hr == DISP_E_TYPEMISMATCH && argErr == 0, "Invoke SaveToFile with a text count", hr);
  // Wine reports too few arguments as a type mismatch, Windows as a bad count.
  hr = Call(dispatch, L"LoadFromFile", load, 3);
  Check(hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_TYPEMISMATCH, "Invoke with too few arguments",
        hr);
  DISPID id = 0;
  auto* unknown = const_cast<LPOLESTR>(L"Frobnicate");
  hr = dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id);
  Check(hr == DISP_E_UNKNOWNNAME, "GetIDsOfNames of an unknown name", hr);

  ITypeInfo* info = nullptr;
  hr = dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
  Check(SUCCEEDED(hr), "GetTypeInfo", hr);
  if (info != nullptr) {
    BSTR name = nullptr;
    hr = info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    Check(SUCCEEDED(hr) && name != nullptr && std::wcscmp(name, L"IVarnic") == 0,
          "the type information describes IVarnic", hr);
    ::SysFreeString(name);
    info->Release();
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: varnic-client FILE1 FILE2 OUTDIR\n");
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  {
    const CBstr in1(argv[1]);
    const CBstr in2(argv[2]);
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(L"VarnicObj.Varnic", &clsid);
    Check(SUCCEEDED(hr) && ::IsEqualCLSID(clsid, CLSID_Varnic), "CLSIDFromProgID", hr);
    IVarnic* varnic = nullptr;
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVarnic,
                            reinterpret_cast<void**>(&varnic));
    Check(SUCCEEDED(hr), "CoCreateInstance", hr);
    if (varnic != nullptr) {
      EarlyBound(varnic, in1, in2, argv[3]);
      IDispatch* dispatch = nullptr;
      hr = varnic->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
      Check(SUCCEEDED(hr), "QueryInterface IDispatch", hr);
      if (dispatch != nullptr) {
        LateBound(dispatch, in1, in2, argv[3]);
        dispatch->Release();
      }
      Check(varnic->Release() == 0, "the last Release frees the object");
    }
    // Nothing holds the module any more.
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    const HMODULE module = ::GetModuleHandleW(L"VarnicObj.dll");
    const auto canUnload = module != nullptr
                               ? reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(
                                     ::GetProcAddress(module, "DllCanUnloadNow")))
                               : nullptr;
    Check(canUnload != nullptr && canUnload() == S_OK, "DllCanUnloadNow");
  }
  ::CoUninitialize();
  if (failures == 0) std::printf("ok\n");
  return failures == 0 ? 0 : 1;
}
