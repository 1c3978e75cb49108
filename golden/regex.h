#ifndef VARNIC_GOLDEN_REGEX_H_
#define VARNIC_GOLDEN_REGEX_H_

#include <memory>
#include <string>
#include <string_view>

namespace varnic::golden {

// A pattern a user wrote, compiled once. RE2 where the build found it: linear time whatever the
// pattern and the value. A build without it refuses every pattern rather than fall back to a
// backtracking engine. Which of the two is chosen by the build (regex_re2.cpp, regex_none.cpp).
class CRegex {
 public:
  // Null, with the reason in `error`, when the pattern is malformed or this build has no RE2.
  static std::unique_ptr<const CRegex> Compile(std::string_view pattern, std::string& error);
  // False in a build without a regular expression engine.
  static bool Available();

  ~CRegex();
  CRegex(const CRegex&) = delete;
  CRegex& operator=(const CRegex&) = delete;

  // Whether the whole of `value` matches.
  bool FullMatch(std::string_view value) const;

 private:
  struct CCompiled;
  explicit CRegex(std::unique_ptr<CCompiled> compiled);
  std::unique_ptr<CCompiled> compiled_;
};

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_REGEX_H_
