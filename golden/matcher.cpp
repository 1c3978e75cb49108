#include "golden/matcher.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace varnic::golden {
namespace {

constexpr std::size_t kMaxPattern = 4096;  // a pattern is a rule, not a document

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// A whole decimal number with an optional sign; none when it has other bytes or does not fit.
std::optional<std::int64_t> Integer(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

std::optional<std::uint8_t> Octet(std::string_view text) {
  if (text.empty() || text.size() > 3) return {};
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return {};
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 255 || (text.size() > 1 && text.front() == '0')) return {};
  return static_cast<std::uint8_t>(value);
}

std::optional<std::vector<std::uint8_t>> ParseV4(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < 4) {
    const std::size_t dot = text.find('.');
    const auto octet = Octet(text.substr(0, dot));
    if (!octet) return {};
    bytes.push_back(*octet);
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  if (bytes.size() != 4 || text.find('.') != std::string_view::npos) return {};
  return bytes;
}

// The 16-bit groups of one side of "::", a dotted quad allowed last when `tail` may hold it.
bool Groups(std::string_view text, bool quadAllowed, std::vector<std::uint8_t>& bytes) {
  if (text.empty()) return true;
  while (true) {
    const std::size_t colon = text.find(':');
    const std::string_view group = text.substr(0, colon);
    if (colon == std::string_view::npos && quadAllowed && group.find('.') != group.npos) {
      const auto quad = ParseV4(group);
      if (!quad) return false;
      bytes.insert(bytes.end(), quad->begin(), quad->end());
      return true;
    }
    if (group.empty() || group.size() > 4) return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(group.data(), group.data() + group.size(), value, 16);
    if (error != std::errc() || end != group.data() + group.size()) return false;
    bytes.push_back(static_cast<std::uint8_t>(value >> 8U));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFFU));
    if (colon == std::string_view::npos) return true;
    text.remove_prefix(colon + 1);
  }
}

std::optional<std::vector<std::uint8_t>> ParseV6(std::string_view text) {
  const std::size_t gap = text.find("::");
  std::vector<std::uint8_t> head;
  std::vector<std::uint8_t> tail;
  if (gap == std::string_view::npos) {
    if (!Groups(text, true, head) || head.size() != 16) return {};
    return head;
  }
  if (text.find("::", gap + 1) != std::string_view::npos) return {};
  if (!Groups(text.substr(0, gap), false, head) || !Groups(text.substr(gap + 2), true, tail) ||
      head.size() + tail.size() > 14) {
    return {};
  }
  head.resize(16 - tail.size(), 0);
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseAddress(std::string_view text) {
  if (text.find(':') != std::string_view::npos) return ParseV6(text);
  return ParseV4(text);
}

CMatcher::~CMatcher() = default;

std::shared_ptr<const CMatcher> CMatcher::Parse(std::string_view expression, std::string& error) {
  const std::string_view rule = Trim(expression);
  const std::size_t space = rule.find_first_of(" \t");
  const std::string_view name = rule.substr(0, space);
  const std::string_view argument =
      space == std::string_view::npos ? std::string_view() : Trim(rule.substr(space));
  std::shared_ptr<CMatcher> matcher(new CMatcher());
  matcher->rule_ = std::string(rule);
  if (name == "any") {
    if (!argument.empty()) {
      error = "'any' takes nothing after it";
      return nullptr;
    }
    matcher->kind_ = Kind::kAny;
  } else if (name == "one_of") {
    matcher->kind_ = Kind::kOneOf;
    for (const std::string_view word : Words(argument)) matcher->choices_.emplace_back(word);
    if (matcher->choices_.empty()) {
      error = "'one_of' needs at least one value";
      return nullptr;
    }
  } else if (name == "range") {
    matcher->kind_ = Kind::kRange;
    const std::size_t dots = argument.find("..");
    const auto low = Integer(argument.substr(0, dots));
    const auto high =
        dots == std::string_view::npos ? std::nullopt : Integer(argument.substr(dots + 2));
    if (!low || !high || *low > *high) {
      error = "bad range '" + std::string(argument) +
              "': give LOW..HIGH, two whole numbers that fit in 64 bits, LOW not above HIGH";
      return nullptr;
    }
    matcher->low_ = *low;
    matcher->high_ = *high;
  } else if (name == "in") {
    matcher->kind_ = Kind::kNetwork;
    const std::size_t slash = argument.find('/');
    const auto address = ParseAddress(argument.substr(0, slash));
    unsigned prefix = 0;
    bool ok = address.has_value() && slash != std::string_view::npos;
    if (ok) {
      const std::string_view bits = argument.substr(slash + 1);
      const auto [end, parsed] = std::from_chars(bits.data(), bits.data() + bits.size(), prefix);
      ok = !bits.empty() && parsed == std::errc() && end == bits.data() + bits.size() &&
           prefix <= address->size() * 8;
    }
    if (!ok) {
      error = "bad network '" + std::string(argument) +
              "': give ADDRESS/BITS, e.g. 10.20.0.0/16 or fd00::/8";
      return nullptr;
    }
    matcher->v6_ = address->size() == 16;
    matcher->prefix_ = prefix;
    std::copy(address->begin(), address->end(), matcher->network_.begin());
  } else if (name == "regex") {
    matcher->kind_ = Kind::kRegex;
    if (argument.empty() || argument.size() > kMaxPattern) {
      error = "'regex' needs a pattern of 1 to 4096 bytes";
      return nullptr;
    }
    matcher->regex_ = CRegex::Compile(argument, error);
    if (!matcher->regex_) return nullptr;
  } else {
    error = "unknown matcher '" + std::string(name) +
            "' (one_of, range, in, regex, any; a variable is one name)";
    return nullptr;
  }
  return matcher;
}

bool CMatcher::Holds(std::string_view value) const {
  switch (kind_) {
    case Kind::kAny:
      return true;
    case Kind::kOneOf:
      return std::find(choices_.begin(), choices_.end(), value) != choices_.end();
    case Kind::kRange: {
      const auto number = Integer(value);
      return number && *number >= low_ && *number <= high_;
    }
    case Kind::kNetwork: {
      const auto address = ParseAddress(value);
      if (!address || (address->size() == 16) != v6_) return false;
      for (unsigned bit = 0; bit < prefix_; ++bit) {
        const unsigned mask = 0x80U >> (bit % 8);
        if (((*address)[bit / 8] & mask) != (network_[bit / 8] & mask)) return false;
      }
      return true;
    }
    case Kind::kRegex:
      return regex_->FullMatch(value);
  }
  return false;
}

std::optional<std::string> CMatcher::SingleValue() const {
  if (kind_ == Kind::kOneOf && choices_.size() == 1) return choices_.front();
  if (kind_ == Kind::kRange && low_ == high_) return std::to_string(low_);
  return {};
}

}  // namespace varnic::golden
