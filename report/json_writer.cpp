#include "report/json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>

#include "report/plain_bytes.h"

namespace varnic::report {
namespace {

constexpr std::size_t kFlushAt = std::size_t{64} << 10U;

// Whether `text` needs no escape: a report writes millions of short texts, and this check was
// the largest single cost of a JSON report.
bool AllPlain(std::string_view text) { return AllPlainBytes<'"', '\\'>(text); }

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

void CJsonWriter::BeginObject(CJsonShape& shape) {
  BeforeValue();
  // Laid out as Open, Key and Close would write it at this depth.
  const std::size_t depth = empty_.size() + 1;
  if (shape.depth_ != depth) {
    shape.depth_ = depth;
    std::string indent(1 + 2 * depth, ' ');
    indent.front() = '\n';
    shape.before_.clear();
    for (const std::string_view name : shape.names_) {
      std::string before = shape.before_.empty() ? "{" : ",";
      before += indent;
      AppendJsonString(before, name);
      before += ": ";
      shape.before_.push_back(std::move(before));
    }
    shape.end_.assign(2 * depth - 1, ' ');
    shape.end_.front() = '\n';
    shape.end_ += '}';
  }
  shape_ = &shape;
  member_ = 0;
}

void CJsonWriter::EndObject() {
  if (shape_ == nullptr) {
    Close('}');
    return;
  }
  buffer_ += shape_->end_;
  shape_ = nullptr;
  if (buffer_.size() >= kFlushAt) Flush();
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
  if (shape_ != nullptr) {
    buffer_ += shape_->before_[member_++];
    return;
  }
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
