// Type libraries of ours, as a .tlb file or a module resource holds them (either may be any
// file): whatever parses must serialize to text that parses to the same library, and the type
// information built from it must find every method by its name.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com/typelib.h"
#include "fuzz/fuzz_check.h"
#include "varnic/com/bstr.h"

namespace {

using namespace varnic::com;
using varnic::fuzz::Check;

// The direction as the text form can carry it: a parameter that is neither in nor out is
// written as in.
int Direction(const CParamDesc& p) { return p.out ? (p.in ? 3 : 2) : 1; }

bool SameMethod(const CMethodDesc& a, const CMethodDesc& b) {
  if (a.dispid != b.dispid || a.slot != b.slot || a.name != b.name || a.help != b.help ||
      a.params.size() != b.params.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.params.size(); ++i) {
    const CParamDesc& x = a.params[i];
    const CParamDesc& y = b.params[i];
    if (x.name != y.name || x.type != y.type || Direction(x) != Direction(y)) return false;
  }
  return true;
}

bool SameLibrary(const CTypeLibDesc& a, const CTypeLibDesc& b) {
  if (a.libid != b.libid || a.major != b.major || a.minor != b.minor || a.lcid != b.lcid ||
      a.name != b.name || a.help != b.help || a.importlib != b.importlib ||
      a.interfaces.size() != b.interfaces.size() || a.coclasses.size() != b.coclasses.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.interfaces.size(); ++i) {
    const CInterfaceDesc& x = a.interfaces[i];
    const CInterfaceDesc& y = b.interfaces[i];
    if (x.iid != y.iid || x.name != y.name || x.help != y.help || x.dual != y.dual ||
        x.methods.size() != y.methods.size()) {
      return false;
    }
    for (std::size_t k = 0; k < x.methods.size(); ++k) {
      if (!SameMethod(x.methods[k], y.methods[k])) return false;
    }
  }
  for (std::size_t i = 0; i < a.coclasses.size(); ++i) {
    const CCoclassDesc& x = a.coclasses[i];
    const CCoclassDesc& y = b.coclasses[i];
    if (x.clsid != y.clsid || x.name != y.name || x.help != y.help ||
        x.defaultInterface != y.defaultInterface) {
      return false;
    }
  }
  return true;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Every method whose name is UTF-8 is found by that name, and the id found names it back.
void CheckNames(const std::shared_ptr<const CTypeLibDesc>& lib, std::size_t index) {
  ITypeInfo* info = CreateTypeInfo(lib, index);
  Check(info != nullptr, "no type information for a parsed interface");
  for (const CMethodDesc& method : lib->interfaces[index].methods) {
    const auto wide = Utf8ToUtf16(method.name);
    if (!wide || wide->find(u'\0') != std::u16string::npos) continue;
    CBstr name(*wide);
    OLECHAR* names[] = {name.Get()};
    DISPID id = 0;
    Check(info->GetIDsOfNames(names, 1, &id) == S_OK, "a method is not found by its name");
    BSTR back[1] = {nullptr};
    unsigned count = 0;
    const HRESULT hr = info->GetNames(id, back, 1, &count);
    if (hr == S_OK) {
      Check(count == 1, "GetNames gives no name");
      const auto text = Utf16ToUtf8(BstrView(back[0]));
      SysFreeString(back[0]);
      // The id may be shared by an earlier method; it must still carry a name that parses.
      Check(text.has_value(), "GetNames gives a name that is not UTF-8");
    }
    bool named = false;
    for (const CMethodDesc& m : lib->interfaces[index].methods) {
      named = named || (m.dispid == id && EqualIgnoringCase(m.name, method.name));
    }
    Check(named, "the id found belongs to no method of that name");
  }
  info->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto lib = std::make_shared<CTypeLibDesc>();
  std::string error;
  if (!ParseTypeLib(varnic::fuzz::AsText(data, size), *lib, error)) {
    Check(!error.empty(), "a rejected library gives no reason");
    return 0;
  }
  const std::string text = SerializeTypeLib(*lib);
  CTypeLibDesc again;
  Check(ParseTypeLib(text, again, error), "a serialized library does not parse");
  Check(SameLibrary(*lib, again), "serializing changes the library");
  Check(SerializeTypeLib(again) == text, "a second serialization differs");
  for (std::size_t i = 0; i < lib->interfaces.size() && i < 4; ++i) CheckNames(lib, i);
  return 0;
}
