#ifndef VARNIC_TESTS_SUPPORT_TEMP_DIR_H_
#define VARNIC_TESTS_SUPPORT_TEMP_DIR_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace varnic::testing {

// A fresh directory under the system temp dir, removed with everything in it on destruction.
class CTempDir {
 public:
  CTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnic-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~CTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  CTempDir(const CTempDir&) = delete;
  CTempDir& operator=(const CTempDir&) = delete;

  std::string File(std::string_view name) const { return (path_ / name).string(); }

  // Writes `bytes` to `name` inside the directory and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace varnic::testing

#endif  // VARNIC_TESTS_SUPPORT_TEMP_DIR_H_
