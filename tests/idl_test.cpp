// The platform's type library (compiled from shell/varnic.idl) and the portable runtime's (the
// table in VarnicObj.so) describe one interface: the same names, dispatch ids, slots, parameter
// names and types, identifiers and help strings. The IDL is read with a parser for the subset it
// uses and turned into the portable description, so that one comparison covers every field.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "com/typelib.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using namespace varnic::com;

struct CToken {
  bool quoted = false;
  std::string text;
};

// Words (GUIDs and versions included), quoted strings and single punctuation characters;
// comments are skipped.
std::vector<CToken> Tokenize(const std::string& text) {
  std::vector<CToken> tokens;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
    } else if (text.compare(i, 2, "//") == 0) {
      i = text.find('\n', i);
    } else if (text.compare(i, 2, "/*") == 0) {
      i = text.find("*/", i) + 2;
    } else if (c == '"') {
      const std::size_t end = text.find('"', i + 1);
      tokens.push_back({true, text.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_') {
      std::size_t end = i;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) != 0 ||
                                   text[end] == '_' || text[end] == '-' || text[end] == '.')) {
        ++end;
      }
      tokens.push_back({false, text.substr(i, end - i)});
      i = end;
    } else {
      tokens.push_back({false, std::string(1, c)});
      ++i;
    }
  }
  return tokens;
}

class CIdlReader {
 public:
  explicit CIdlReader(const std::string& text) : tokens_(Tokenize(text)) {}

  CTypeLibDesc Read() {
    CTypeLibDesc lib;
    std::map<std::string, std::string> attrs;
    while (pos_ < tokens_.size()) {
      const std::string word = Next();
      if (word == "[") {
        attrs = Attributes();
      } else if (word == "import" || word == "importlib") {
        std::string file = word == "importlib" ? (Expect("("), Next()) : Next();
        if (word == "importlib") {
          Expect(")");
          lib.importlib = file;
        }
        Expect(";");
      } else if (word == "interface") {
        CInterfaceDesc itf{Guid(attrs), Next(), attrs["helpstring"], attrs.contains("dual"), {}};
        Expect(":");
        EXPECT_EQ(Next(), "IDispatch");
        Expect("{");
        while (Peek() != "}") itf.methods.push_back(Method(itf.methods.size()));
        Expect("}");
        Expect(";");
        lib.interfaces.push_back(std::move(itf));
      } else if (word == "library") {
        lib.libid = Guid(attrs);
        lib.name = Next();
        lib.help = attrs["helpstring"];
        const std::string version = attrs["version"];
        lib.major = static_cast<unsigned short>(std::stoi(version));
        lib.minor = static_cast<unsigned short>(std::stoi(version.substr(version.find('.') + 1)));
        Expect("{");
      } else if (word == "coclass") {
        CCoclassDesc coclass{Guid(attrs), Next(), attrs["helpstring"], {}};
        Expect("{");
        EXPECT_EQ(Next(), "[");
        EXPECT_TRUE(Attributes().contains("default"));
        Expect("interface");
        const std::string name = Next();
        for (const CInterfaceDesc& itf : lib.interfaces) {
          if (itf.name == name) coclass.defaultInterface = itf.iid;
        }
        Expect(";");
        Expect("}");
        lib.coclasses.push_back(std::move(coclass));
      } else if (word != "}" && word != ";") {
        ADD_FAILURE() << "unexpected '" << word << "'";
      }
    }
    return lib;
  }

 private:
  std::string Next() { return pos_ < tokens_.size() ? tokens_[pos_++].text : std::string(); }
  std::string Peek() const { return pos_ < tokens_.size() ? tokens_[pos_].text : std::string(); }
  void Expect(const std::string& text) { EXPECT_EQ(Next(), text); }

  // After "[": name or name(value) items up to "]".
  std::map<std::string, std::string> Attributes() {
    std::map<std::string, std::string> attrs;
    for (std::string name = Next(); name != "]" && !name.empty(); name = Next()) {
      if (name == ",") continue;
      std::string value;
      if (Peek() == "(") {
        Next();
        value = Next();
        Expect(")");
      }
      attrs[name] = value;
    }
    return attrs;
  }

  static GUID Guid(std::map<std::string, std::string>& attrs) {
    const auto guid = ParseGuid("{" + attrs["uuid"] + "}");
    EXPECT_TRUE(guid.has_value()) << attrs["uuid"];
    return guid.value_or(GUID{});
  }

  // [id(n), helpstring("...")] HRESULT Name([in] BSTR a, [in, out] long* b);
  CMethodDesc Method(std::size_t index) {
    Expect("[");
    auto attrs = Attributes();
    Expect("HRESULT");
    CMethodDesc method{
        std::stoi(attrs["id"]), static_cast<unsigned>(7 + index), Next(), attrs["helpstring"], {}};
    Expect("(");
    while (Peek() != ")") {
      if (Peek() == ",") Next();
      Expect("[");
      const auto flags = Attributes();
      std::string type = Next();
      if (Peek() == "*") type += Next();
      CParamDesc param{"", ParamType::kInt, flags.contains("in"), flags.contains("out")};
      param.name = Next();
      if (type == "BSTR") {
        param.type = ParamType::kBstr;
      } else if (type == "long*") {
        param.type = ParamType::kIntPtr;
      } else if (type != "long") {  // long is 32 bits there, the portable int
        ADD_FAILURE() << "no portable type for " << type;
      }
      method.params.push_back(std::move(param));
    }
    Expect(")");
    Expect(";");
    return method;
  }

  std::vector<CToken> tokens_;
  std::size_t pos_ = 0;
};

TEST(TypeLibraries, IdlAndPortableTableAgree) {
  std::shared_ptr<const CTypeLibDesc> portable;
  ASSERT_EQ(LoadTypeLib(VARNIC_MODULE, portable), S_OK);
  const CTypeLibDesc idl =
      CIdlReader(testing::ReadAll(VARNIC_SOURCE_DIR "/shell/varnic.idl")).Read();
  ASSERT_EQ(idl.interfaces.size(), 1u);
  EXPECT_EQ(idl.interfaces[0].methods.size(), 3u);
  EXPECT_EQ(SerializeTypeLib(idl), SerializeTypeLib(*portable));
}

}  // namespace
}  // namespace varnic
