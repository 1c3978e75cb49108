#include "com/registrar.h"

#include <cctype>
#include <memory>
#include <optional>

namespace varnic::com {
namespace {

struct CToken {
  enum class Kind { kWord, kQuoted, kOpen, kClose, kEquals, kEnd } kind;
  std::string text;
};

class CLexer {
 public:
  explicit CLexer(std::string_view text) : text_(text) {}

  std::optional<CToken> Next() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])) != 0) {
      ++pos_;
    }
    if (pos_ >= text_.size()) return CToken{CToken::Kind::kEnd, ""};
    const char c = text_[pos_];
    const bool alone =
        pos_ + 1 >= text_.size() || std::isspace(static_cast<unsigned char>(text_[pos_ + 1])) != 0;
    if ((c == '{' || c == '}' || c == '=') && alone) {
      ++pos_;
      return CToken{c == '{'   ? CToken::Kind::kOpen
                    : c == '}' ? CToken::Kind::kClose
                               : CToken::Kind::kEquals,
                    std::string(1, c)};
    }
    if (c == '\'') {
      std::string value;
      for (++pos_; pos_ < text_.size(); ++pos_) {
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            value += '\'';
            ++pos_;
            continue;
          }
          ++pos_;
          return CToken{CToken::Kind::kQuoted, value};
        }
        value += text_[pos_];
      }
      return std::nullopt;  // unterminated
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])) == 0) {
      ++pos_;
    }
    return CToken{CToken::Kind::kWord, std::string(text_.substr(start, pos_ - start))};
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

struct CScriptKey {
  bool noRemove = false;
  bool forceRemove = false;
  std::string name;
  std::optional<std::string> value;
  std::vector<std::pair<std::string, std::string>> values;
  std::vector<CScriptKey> children;
};

class CParser {
 public:
  explicit CParser(std::string_view text) : lexer_(text) { Advance(); }

  bool ParseRoots(std::vector<CScriptKey>& roots, std::string& error) {
    while (token_ && token_->kind != CToken::Kind::kEnd) {
      if (!token_ || token_->kind != CToken::Kind::kWord ||
          (token_->text != "HKCR" && token_->text != "HKEY_CLASSES_ROOT")) {
        return Fail("expected HKCR", error);
      }
      CScriptKey root;
      root.noRemove = true;  // the classes root itself is never removed
      root.name = "HKCR";
      Advance();
      if (!ParseBody(root, error)) return false;
      roots.push_back(std::move(root));
    }
    return token_ ? true : Fail("unterminated quoted text", error);
  }

 private:
  void Advance() { token_ = lexer_.Next(); }
  bool Is(CToken::Kind kind) const { return token_ && token_->kind == kind; }
  static bool Fail(const std::string& why, std::string& error) {
    error = "registration script: " + why;
    return false;
  }

  bool ParseString(std::string& out, std::string& error) {
    if (!Is(CToken::Kind::kWord) || token_->text != "s") return Fail("expected s 'text'", error);
    Advance();
    if (!Is(CToken::Kind::kQuoted)) return Fail("expected quoted text", error);
    out = token_->text;
    Advance();
    return true;
  }

  bool ParseBody(CScriptKey& key, std::string& error) {
    if (!Is(CToken::Kind::kOpen)) return Fail("expected {", error);
    Advance();
    while (!Is(CToken::Kind::kClose)) {
      if (!token_ || Is(CToken::Kind::kEnd)) return Fail("missing }", error);
      if (Is(CToken::Kind::kWord) && token_->text == "val") {
        Advance();
        if (!Is(CToken::Kind::kWord) && !Is(CToken::Kind::kQuoted)) {
          return Fail("expected a value name", error);
        }
        std::string name = token_->text;
        Advance();
        if (!Is(CToken::Kind::kEquals)) return Fail("expected =", error);
        Advance();
        std::string value;
        if (!ParseString(value, error)) return false;
        key.values.emplace_back(std::move(name), std::move(value));
        continue;
      }
      CScriptKey child;
      if (!ParseKey(child, error)) return false;
      key.children.push_back(std::move(child));
    }
    Advance();
    return true;
  }

  bool ParseKey(CScriptKey& key, std::string& error) {
    for (;;) {
      if (Is(CToken::Kind::kWord) && token_->text == "NoRemove") {
        key.noRemove = true;
      } else if (Is(CToken::Kind::kWord) && token_->text == "ForceRemove") {
        key.forceRemove = true;
      } else {
        break;
      }
      Advance();
    }
    if (!Is(CToken::Kind::kWord) && !Is(CToken::Kind::kQuoted)) {
      return Fail("expected a key name", error);
    }
    key.name = token_->text;
    if (key.name.empty() || key.name.find('\\') != std::string::npos) {
      return Fail("bad key name '" + key.name + "'", error);
    }
    Advance();
    if (Is(CToken::Kind::kEquals)) {
      Advance();
      std::string value;
      if (!ParseString(value, error)) return false;
      key.value = std::move(value);
    }
    return Is(CToken::Kind::kOpen) ? ParseBody(key, error) : true;
  }

  CLexer lexer_;
  std::optional<CToken> token_;
};

bool Apply(const CScriptKey& key, const std::string& parent, bool registering,
           CRegistryTarget& target, std::string& error) {
  const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
  if (!registering) {
    if (!key.noRemove) return target.DeleteKey(path, error);
    for (const CScriptKey& child : key.children) {
      if (!Apply(child, path, false, target, error)) return false;
    }
    return true;
  }
  if (key.forceRemove && !target.DeleteKey(path, error)) return false;
  if (!target.CreateKey(path, error)) return false;
  if (key.value && !target.SetValue(path, "", *key.value, error)) return false;
  for (const auto& [name, value] : key.values) {
    if (!target.SetValue(path, name, value, error)) return false;
  }
  for (const CScriptKey& child : key.children) {
    if (!Apply(child, path, true, target, error)) return false;
  }
  return true;
}

}  // namespace

std::string QuoteForScript(std::string_view text) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

void CRegistrar::AddReplacement(std::string name, std::string value) {
  replacements_.emplace_back(std::move(name), std::move(value));
}

bool CRegistrar::Run(std::string_view script, bool registering, CRegistryTarget& target,
                     std::string& error) const {
  std::string text(script);
  for (const auto& [name, value] : replacements_) {
    const std::string placeholder = "%" + name + "%";
    for (std::size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos;) {
      text.replace(at, placeholder.size(), value);
      at += value.size();
    }
  }
  std::vector<CScriptKey> roots;
  if (!CParser(text).ParseRoots(roots, error)) return false;
  for (const CScriptKey& root : roots) {
    if (!Apply(root, "", registering, target, error)) return false;
  }
  return true;
}

bool CRegistrar::Register(std::string_view script, CRegistryTarget& target,
                          std::string& error) const {
  return Run(script, true, target, error);
}

bool CRegistrar::Unregister(std::string_view script, CRegistryTarget& target,
                            std::string& error) const {
  return Run(script, false, target, error);
}

}  // namespace varnic::com
