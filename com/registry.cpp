#include "com/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "com/registrar.h"

namespace varnic::com {
namespace {

constexpr std::string_view kMagic = "Varnic Registry 1";

thread_local std::string lastStoreError;

// Records a failed call's reason for LastRegistryError and passes its status on.
HRESULT Failed(HRESULT hr, const std::string& error) {
  if (FAILED(hr)) lastStoreError = error;
  return hr;
}

constexpr const char* kNoStore =
    "no registry store: HOME is not set (nor VARNIC_REGISTRY or XDG_DATA_HOME), and a shared "
    "folder is not used";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find('\\');
    const std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

// A key path as the text form writes it: named parts, one backslash between them. A line such as
// [\] or [HKCR\\Foo\] would be read as another key than the one written, so it is damage.
bool IsKeyPath(std::string_view path) {
  return !path.empty() && !path.starts_with('\\') && !path.ends_with('\\') &&
         path.find("\\\\") == std::string_view::npos;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// Reads a quoted string at the start of `text`; returns the rest after it.
std::optional<std::string_view> Unquote(std::string_view text, std::string& out) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  out.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') return text.substr(i + 1);
    if (text[i] == '\\') {
      if (++i >= text.size()) return std::nullopt;
      out += text[i] == 'n' ? '\n' : text[i];
    } else {
      out += text[i];
    }
  }
  return std::nullopt;
}

void SerializeKey(const std::string& path, const CRegistryKey& key, std::string& out) {
  out.append("\n[").append(path).append("]\n");
  if (key.defaultValue) out.append("@=").append(Quote(*key.defaultValue)).append("\n");
  for (const auto& [name, value] : key.values) {
    out.append(Quote(name)).append("=").append(Quote(value)).append("\n");
  }
  for (const auto& [name, sub] : key.subkeys) {
    std::string child = path;
    child.append("\\").append(name);
    SerializeKey(child, sub, out);
  }
}

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

// Holds an exclusive lock on "<store>.lock" for one update.
class CWriterLock {
 public:
  explicit CWriterLock(const std::string& path)
      : fd_(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~CWriterLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  CWriterLock(const CWriterLock&) = delete;
  CWriterLock& operator=(const CWriterLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

const CRegistryKey* CRegistryTree::Find(std::string_view path) const {
  const CRegistryKey* key = &root_;
  for (const std::string_view part : SplitPath(path)) {
    const auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = &it->second;
  }
  return key;
}

CRegistryKey& CRegistryTree::Create(std::string_view path) {
  CRegistryKey* key = &root_;
  for (const std::string_view part : SplitPath(path)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end())
      it = key->subkeys.emplace(std::string(part), CRegistryKey{}).first;
    key = &it->second;
  }
  return *key;
}

bool CRegistryTree::Delete(std::string_view path) {
  const auto parts = SplitPath(path);
  if (parts.empty()) return false;
  CRegistryKey* parent = &root_;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto it = parent->subkeys.find(parts[i]);
    if (it == parent->subkeys.end()) return false;
    parent = &it->second;
  }
  const auto it = parent->subkeys.find(parts.back());
  if (it == parent->subkeys.end()) return false;
  parent->subkeys.erase(it);
  return true;
}

std::string CRegistryTree::Serialize() const {
  std::string out(kMagic);
  out += "\n";
  for (const auto& [name, key] : root_.subkeys) SerializeKey(name, key, out);
  return out;
}

bool CRegistryTree::Parse(std::string_view text, CRegistryTree& tree, std::string& error) {
  tree = CRegistryTree{};
  CRegistryKey* current = nullptr;
  std::size_t number = 0;
  bool sawMagic = false;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
    ++number;
    const auto fail = [&](const char* why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (!sawMagic) {
      if (line != kMagic) return fail("not a Varnic registry file");
      sawMagic = true;
      continue;
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']' || !IsKeyPath(line.substr(1, line.size() - 2))) {
        return fail("malformed key line");
      }
      current = &tree.Create(line.substr(1, line.size() - 2));
      continue;
    }
    if (current == nullptr) return fail("value outside any key");
    std::string name;
    std::string value;
    std::optional<std::string_view> rest;
    if (line.starts_with("@=")) {
      rest = Unquote(line.substr(2), value);
      if (!rest || !rest->empty()) return fail("malformed default value");
      current->defaultValue = value;
      continue;
    }
    rest = Unquote(line, name);
    if (!rest || !rest->starts_with("=")) return fail("malformed value line");
    rest = Unquote(rest->substr(1), value);
    if (!rest || !rest->empty()) return fail("malformed value");
    current->values[name] = value;
  }
  if (!sawMagic) {
    error = "empty file";
    return false;
  }
  return true;
}

std::string CRegistryStore::DefaultPath() {
  if (const char* path = std::getenv("VARNIC_REGISTRY"); path != nullptr && *path != '\0') {
    return path;
  }
  std::filesystem::path base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    return {};
  }
  return (base / "varnic" / "registry.reg").string();
}

HRESULT CRegistryStore::Load(CRegistryTree& tree) const {
  if (path_.empty()) {
    error_ = kNoStore;
    return REGDB_E_READREGDB;
  }
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      tree = CRegistryTree{};
      return S_OK;
    }
    error_ = SystemError("cannot open registry", path_);
    return REGDB_E_READREGDB;
  }
  std::string text;
  std::array<char, 8192> buffer{};
  for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) != 0;) {
    if (got < 0) {
      if (errno == EINTR) continue;
      error_ = SystemError("cannot read registry", path_);
      ::close(fd);
      return REGDB_E_READREGDB;
    }
    text.append(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  std::string why;
  if (!CRegistryTree::Parse(text, tree, why)) {
    error_ = "registry '" + path_ + "' is damaged (" + why + "); it was left as it is";
    return REGDB_E_READREGDB;
  }
  return S_OK;
}

std::string CRegistryStore::WrittenPath(const std::string& path) {
  std::filesystem::path at = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, error))) break;
    const std::filesystem::path link = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = link.is_absolute() ? link : at.parent_path() / link;
  }
  return at.string();
}

HRESULT CRegistryStore::Save(const CRegistryTree& tree) {
  // A store that is a link stays one: the file it names is replaced, as an output of the
  // command is.
  const std::string target = WrittenPath(path_);
  const std::filesystem::path path(target);
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  // The temporary name keeps within the 255 bytes a file name may have, however long the
  // store's own name is.
  const std::size_t nameStart = target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1;
  std::string temp =
      target.substr(0, nameStart + std::min<std::size_t>(target.size() - nameStart, 248));
  temp += ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error_ = SystemError("cannot write registry", path_);
    return REGDB_E_WRITEREGDB;
  }
  const std::string text = tree.Serialize();
  std::string_view rest = text;
  bool ok = true;
  while (ok && !rest.empty()) {
    const ssize_t put = ::write(fd, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(put));
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    error_ = SystemError("cannot write registry", path_);
    ::unlink(temp.c_str());
    return REGDB_E_WRITEREGDB;
  }
  // The rename is durable only once the directory is.
  const std::string dir = path.has_parent_path() ? path.parent_path().string() : ".";
  if (const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return S_OK;
}

HRESULT CRegistryStore::Read(CRegistryTree& tree) const { return Failed(Load(tree), error_); }

HRESULT CRegistryStore::Update(const std::function<HRESULT(CRegistryTree&)>& change) {
  // A failed change is the caller's own and has no store error to record.
  error_.clear();
  const HRESULT hr = Change(change);
  return error_.empty() ? hr : Failed(hr, error_);
}

HRESULT CRegistryStore::Change(const std::function<HRESULT(CRegistryTree&)>& change) {
  if (path_.empty()) {
    error_ = kNoStore;
    return REGDB_E_WRITEREGDB;
  }
  const std::filesystem::path path(path_);
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  const CWriterLock lock(path_);
  if (!lock.Held()) {
    error_ = SystemError("cannot lock registry", path_);
    return REGDB_E_WRITEREGDB;
  }
  CRegistryTree tree;
  if (const HRESULT hr = Load(tree); FAILED(hr)) return hr;
  if (const HRESULT hr = change(tree); FAILED(hr)) return hr;
  return Save(tree);
}

std::string LastRegistryError() { return lastStoreError; }

namespace {

// Scripts applied to the store's tree. Only a key the text form cannot hold fails: its line
// would end at a newline in its name, and the store would be damaged at the next load.
class CTreeTarget final : public CRegistryTarget {
 public:
  explicit CTreeTarget(CRegistryTree& tree) : tree_(tree) {}
  bool CreateKey(const std::string& path, std::string& error) override {
    if (!Storable(path, error)) return false;
    tree_.Create(path);
    return true;
  }
  bool SetValue(const std::string& path, const std::string& name, const std::string& value,
                std::string& error) override {
    if (!Storable(path, error)) return false;
    CRegistryKey& key = tree_.Create(path);
    if (name.empty()) {
      key.defaultValue = value;
    } else {
      key.values[name] = value;
    }
    return true;
  }
  bool DeleteKey(const std::string& path, std::string& /*error*/) override {
    tree_.Delete(path);
    return true;
  }

 private:
  static bool Storable(const std::string& path, std::string& error) {
    if (path.find('\n') == std::string::npos) return true;
    error =
        "registration script: a key name holds a line break, which the registry store cannot keep";
    return false;
  }

  CRegistryTree& tree_;
};

}  // namespace

bool CRegistrar::Register(std::string_view script, CRegistryTree& tree, std::string& error) const {
  CTreeTarget target(tree);
  return Register(script, target, error);
}

bool CRegistrar::Unregister(std::string_view script, CRegistryTree& tree,
                            std::string& error) const {
  CTreeTarget target(tree);
  return Unregister(script, target, error);
}

}  // namespace varnic::com
