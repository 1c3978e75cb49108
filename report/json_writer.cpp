#include "report/json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>

namespace varnic::report {
namespace {

// Printable ASCII other than the two characters JSON escapes: copied as it is.
bool IsPlain(unsigned char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; }

constexpr std::size_t kFlushAt = std::size_t{64} << 10U;

// A byte of `word` that is zero leaves its high bit set in the result (and only then, when no
// byte of `word` has its high bit set).
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
std::uint64_t ZeroBytes(std::uint64_t word) { return (word - kOnes) & ~word & kHighs; }

// Whether `text` needs no escape, eight bytes at a time: a report writes millions of short
// texts, and this check was the largest single cost of a JSON report.
bool AllPlain(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, sizeof word);
    if ((word & kHighs) != 0) return false;  // not ASCII
    // A control byte (below 0x20), DEL, a quote or a backslash.
    const std::uint64_t bad = ((word - 0x20 * kOnes) & ~word & kHighs) |
                              ZeroBytes(word ^ (0x7f * kOnes)) | ZeroBytes(word ^ ('"' * kOnes)) |
                              ZeroBytes(word ^ ('\\' * kOnes));
    if (bad != 0) return false;
  }
  for (; i < text.size(); ++i) {
    if (!IsPlain(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// Appends `"text"` in one step: three appends each paid their own capacity check and call.
void AppendQuoted(std::string& out, std::string_view text, std::string_view after) {
  const std::size_t at = out.size();
  out.resize(at + text.size() + 2 + after.size());
  char* to = out.data() + at;
  *to++ = '"';
  if (!text.empty()) std::memcpy(to, text.data(), text.size());
  to += text.size();
  *to++ = '"';
  if (!after.empty()) std::memcpy(to, after.data(), after.size());
}

// A line end and the indentation of the deepest level a report reaches, sliced as needed.
constexpr std::string_view kBreak = "\n                                ";

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  if (AllPlain(text)) {
    AppendQuoted(out, text, {});
    return;
  }
  // Escapes and the replacement of bytes that are not UTF-8 follow nlohmann's serializer, which
  // earlier reports were written with; only the rare text that needs them pays for it.
  out += nlohmann::json(std::string(text))
             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void CJsonWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

void CJsonWriter::Key(std::string_view name) {
  BeforeValue();
  if (AllPlain(name)) {
    AppendQuoted(buffer_, name, ": ");
  } else {
    AppendJsonString(buffer_, name);
    buffer_ += ": ";
  }
  afterKey_ = true;
}

void CJsonWriter::String(std::string_view text) {
  BeforeValue();
  AppendJsonString(buffer_, text);
}

void CJsonWriter::Int(std::int64_t value) {
  BeforeValue();
  std::array<char, 24> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  buffer_.append(digits.data(), end);
}

void CJsonWriter::Bool(bool value) {
  BeforeValue();
  buffer_ += value ? "true" : "false";
}

void CJsonWriter::Null() {
  BeforeValue();
  buffer_ += "null";
}

void CJsonWriter::Open(char bracket) {
  BeforeValue();
  buffer_ += bracket;
  empty_.push_back(true);
}

void CJsonWriter::Close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) Indent();
  buffer_ += bracket;
  if (buffer_.size() >= kFlushAt) Flush();
}

void CJsonWriter::Indent() {
  const std::size_t width = 1 + 2 * empty_.size();
  if (width <= kBreak.size()) {
    buffer_.append(kBreak.substr(0, width));
  } else {
    buffer_ += '\n';
    buffer_.append(width - 1, ' ');
  }
}

void CJsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) buffer_ += ',';
  empty_.back() = false;
  Indent();
}

}  // namespace varnic::report
