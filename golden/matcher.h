#ifndef VARNIC_GOLDEN_MATCHER_H_
#define VARNIC_GOLDEN_MATCHER_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "golden/regex.h"

namespace varnic::golden {

// A rule a device's value must satisfy in place of one intended value: one_of, range, in
// (an IPv4 or IPv6 network), regex (RE2, whole value) or any.
class CMatcher {
 public:
  // Parses the words inside "{{ }}" (without the braces). Null, with the reason in `error`, when
  // they are no matcher this system knows or its argument is malformed.
  static std::shared_ptr<const CMatcher> Parse(std::string_view expression, std::string& error);

  ~CMatcher();
  CMatcher(const CMatcher&) = delete;
  CMatcher& operator=(const CMatcher&) = delete;

  bool Holds(std::string_view value) const;
  // The one value that satisfies the rule, when there is exactly one (one_of with one choice, a
  // range of one number); a repair can then write it.
  std::optional<std::string> SingleValue() const;
  // The rule as written, trimmed: "one_of 1 6 11".
  const std::string& Rule() const { return rule_; }

 private:
  enum class Kind : std::uint8_t { kOneOf, kRange, kNetwork, kRegex, kAny };
  CMatcher() = default;

  Kind kind_ = Kind::kAny;
  std::string rule_;
  std::vector<std::string> choices_;
  std::int64_t low_ = 0;
  std::int64_t high_ = 0;
  std::array<std::uint8_t, 16> network_{};
  bool v6_ = false;
  unsigned prefix_ = 0;
  std::unique_ptr<const CRegex> regex_;
};

// An address as bytes: 4 for IPv4 (dotted quad), 16 for IPv6 (with "::" and a trailing quad).
std::optional<std::vector<std::uint8_t>> ParseAddress(std::string_view text);

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_MATCHER_H_
