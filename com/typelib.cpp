#include "com/typelib.h"

#include <fstream>
#include <iterator>

#include "com/registry.h"
#include "com/resources.h"

namespace varnic::com {
namespace {

constexpr std::string_view kMagic = "VarnicTypeLib 1";

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

std::string_view TypeName(ParamType type) {
  switch (type) {
    case ParamType::kBstr:
      return "bstr";
    case ParamType::kInt:
      return "int";
    case ParamType::kIntPtr:
      return "int*";
  }
  return "int";
}

bool ParseNumber(std::string_view text, long min, long max, long& out) {
  if (text.empty() || text.size() > 10) return false;
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < min || value > max) return false;
  out = value;
  return true;
}

std::string TypeLibKey(const CTypeLibDesc& lib) {
  return "HKCR\\TypeLib\\" + FormatGuid(lib.libid) + "\\" + std::to_string(lib.major) + "." +
         std::to_string(lib.minor);
}

}  // namespace

std::string SerializeTypeLib(const CTypeLibDesc& lib) {
  std::string out(kMagic);
  out += "\nlibrary\t" + FormatGuid(lib.libid) + "\t" + std::to_string(lib.major) + "\t" +
         std::to_string(lib.minor) + "\t" + std::to_string(lib.lcid) + "\t" + lib.name + "\t" +
         lib.help + "\t" + lib.importlib + "\n";
  for (const CInterfaceDesc& itf : lib.interfaces) {
    out += "interface\t" + FormatGuid(itf.iid) + "\t" + itf.name + "\t" + itf.help + "\t" +
           (itf.dual ? "dual" : "dispatch") + "\n";
    for (const CMethodDesc& m : itf.methods) {
      out += "method\t" + std::to_string(m.dispid) + "\t" + std::to_string(m.slot) + "\t" + m.name +
             "\t" + m.help + "\n";
      for (const CParamDesc& p : m.params) {
        out += std::string("param\t") +
               (p.in && p.out ? "in,out"
                : p.out       ? "out"
                              : "in") +
               "\t" + std::string(TypeName(p.type)) + "\t" + p.name + "\n";
      }
    }
  }
  for (const CCoclassDesc& c : lib.coclasses) {
    out += "coclass\t" + FormatGuid(c.clsid) + "\t" + c.name + "\t" + c.help + "\t" +
           FormatGuid(c.defaultInterface) + "\n";
  }
  return out;
}

bool ParseTypeLib(std::string_view text, CTypeLibDesc& lib, std::string& error) {
  lib = CTypeLibDesc{};
  std::size_t number = 0;
  bool sawLibrary = false;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    const std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
    ++number;
    const auto fail = [&](const char* why) {
      error = "type library line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (number == 1) {
      if (line != kMagic) return fail("not a Varnic type library");
      continue;
    }
    if (line.empty()) continue;
    const auto f = Fields(line);
    long a = 0;
    long b = 0;
    if (f[0] == "library" && f.size() == 8) {
      const auto id = ParseGuid(f[1]);
      long lcid = 0;
      if (!id || !ParseNumber(f[2], 0, 65535, a) || !ParseNumber(f[3], 0, 65535, b) ||
          !ParseNumber(f[4], 0, 0x7fffffff, lcid)) {
        return fail("bad library line");
      }
      lib.libid = *id;
      lib.major = static_cast<unsigned short>(a);
      lib.minor = static_cast<unsigned short>(b);
      lib.lcid = static_cast<LCID>(lcid);
      lib.name = f[5];
      lib.help = f[6];
      lib.importlib = f[7];
      sawLibrary = true;
    } else if (f[0] == "interface" && f.size() == 5) {
      const auto id = ParseGuid(f[1]);
      if (!id) return fail("bad interface id");
      lib.interfaces.push_back({*id, std::string(f[2]), std::string(f[3]), f[4] == "dual", {}});
    } else if (f[0] == "method" && f.size() == 5 && !lib.interfaces.empty()) {
      if (!ParseNumber(f[1], 1, 0x7fffffff, a) || !ParseNumber(f[2], 7, 1024, b)) {
        return fail("bad method line");
      }
      lib.interfaces.back().methods.push_back({static_cast<DISPID>(a),
                                               static_cast<unsigned>(b),
                                               std::string(f[3]),
                                               std::string(f[4]),
                                               {}});
    } else if (f[0] == "param" && f.size() == 4 && !lib.interfaces.empty() &&
               !lib.interfaces.back().methods.empty()) {
      CParamDesc p{std::string(f[3]), ParamType::kInt, f[1].find("in") != std::string_view::npos,
                   f[1].find("out") != std::string_view::npos};
      if (f[2] == "bstr") {
        p.type = ParamType::kBstr;
      } else if (f[2] == "int*") {
        p.type = ParamType::kIntPtr;
      } else if (f[2] != "int") {
        return fail("unknown parameter type");
      }
      auto& params = lib.interfaces.back().methods.back().params;
      if (params.size() >= 4) return fail("more than four parameters");
      params.push_back(std::move(p));
    } else if (f[0] == "coclass" && f.size() == 5) {
      const auto id = ParseGuid(f[1]);
      const auto itf = ParseGuid(f[4]);
      if (!id || !itf) return fail("bad coclass line");
      lib.coclasses.push_back({*id, std::string(f[2]), std::string(f[3]), *itf});
    } else {
      return fail("unknown line");
    }
  }
  if (!sawLibrary) {
    error = "type library: no library line";
    return false;
  }
  return true;
}

HRESULT LoadTypeLib(const std::string& path, std::shared_ptr<const CTypeLibDesc>& lib) {
  std::string text;
  if (!FindModuleResource(path, "TYPELIB", 1, text)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return TYPE_E_CANTLOADLIBRARY;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return LoadTypeLibText(text, lib);
}

HRESULT LoadTypeLibText(std::string_view text, std::shared_ptr<const CTypeLibDesc>& lib) {
  auto parsed = std::make_shared<CTypeLibDesc>();
  std::string error;
  if (!ParseTypeLib(text, *parsed, error)) return TYPE_E_CANTLOADLIBRARY;
  lib = std::move(parsed);
  return S_OK;
}

HRESULT RegisterTypeLib(const CTypeLibDesc& lib, const std::string& path,
                        const std::string& helpDir) {
  CRegistryStore store(CRegistryStore::DefaultPath());
  return store.Update([&](CRegistryTree& tree) {
    const std::string key = TypeLibKey(lib);
    tree.Create(key).defaultValue = lib.help;
    tree.Create(key + "\\FLAGS").defaultValue = "0";
    tree.Create(key + "\\HELPDIR").defaultValue = helpDir;
    tree.Create(key + "\\" + std::to_string(lib.lcid) + "\\linux64").defaultValue = path;
    for (const CInterfaceDesc& itf : lib.interfaces) {
      const std::string itfKey = "HKCR\\Interface\\" + FormatGuid(itf.iid);
      tree.Create(itfKey).defaultValue = itf.name;
      tree.Create(itfKey + "\\TypeLib").defaultValue = FormatGuid(lib.libid);
      tree.Create(itfKey + "\\TypeLib").values["Version"] =
          std::to_string(lib.major) + "." + std::to_string(lib.minor);
    }
    return S_OK;
  });
}

}  // namespace varnic::com

extern "C" varnic::com::HRESULT UnRegisterTypeLib(const varnic::com::GUID& libid,
                                                  unsigned short major, unsigned short minor,
                                                  varnic::com::LCID /*lcid*/,
                                                  int /*syskind*/) noexcept {
  using namespace varnic::com;
  try {
    CRegistryStore store(CRegistryStore::DefaultPath());
    return store.Update([&](CRegistryTree& tree) {
      const std::string lib = "HKCR\\TypeLib\\" + FormatGuid(libid);
      const std::string version = lib + "\\" + std::to_string(major) + "." + std::to_string(minor);
      if (const CRegistryKey* key = tree.Find(version)) {
        (void)key;
        tree.Delete(version);
      } else {
        return TYPE_E_ELEMENTNOTFOUND;
      }
      // The interfaces described by this library go with it.
      if (const CRegistryKey* interfaces = tree.Find("HKCR\\Interface")) {
        std::vector<std::string> owned;
        for (const auto& [iid, key] : interfaces->subkeys) {
          const auto it = key.subkeys.find("TypeLib");
          if (it != key.subkeys.end() && it->second.defaultValue == FormatGuid(libid)) {
            owned.push_back(iid);
          }
        }
        for (const std::string& iid : owned) tree.Delete("HKCR\\Interface\\" + iid);
      }
      if (const CRegistryKey* key = tree.Find(lib); key != nullptr && key->subkeys.empty()) {
        tree.Delete(lib);
      }
      return S_OK;
    });
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
