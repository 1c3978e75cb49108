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

// Output reaches the stream in pieces of about this size.
constexpr std::size_t kFlushAt = std::size_t{64} << 10U;

// Whether `text` is well-formed UTF-8 (the sequences of the Unicode standard's table 3-7: no
// overlong form, no surrogate, nothing past U+10FFFF) holding no byte below 0x20, no '"' and no
// '\\': what nlohmann's serializer writes as it is. Secrets' masks ("‹secret›") are such texts,
// a couple in every device of an audit, and its serializer cost a thousand instructions each.
[[gnu::noinline]] bool PlainUtf8(std::string_view text) {
  const auto* at = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = at + text.size();
  const auto within = [&](std::size_t n, unsigned char low, unsigned char high) {
    if (static_cast<std::size_t>(end - at) < n + 1 || at[1] < low || at[1] > high) return false;
    for (std::size_t i = 2; i <= n; ++i) {
      if (at[i] < 0x80 || at[i] > 0xBF) return false;
    }
    at += n + 1;
    return true;
  };
  while (at < end) {
    const unsigned char lead = *at;
    if (lead < 0x80) {
      if (lead < 0x20 || lead == '"' || lead == '\\') return false;
      ++at;
      continue;
    }
    bool ok = false;
    if (lead >= 0xC2 && lead <= 0xDF) {
      ok = within(1, 0x80, 0xBF);
    } else if (lead == 0xE0) {
      ok = within(2, 0xA0, 0xBF);
    } else if (lead == 0xED) {
      ok = within(2, 0x80, 0x9F);
    } else if (lead >= 0xE1 && lead <= 0xEF) {
      ok = within(2, 0x80, 0xBF);
    } else if (lead == 0xF0) {
      ok = within(3, 0x90, 0xBF);
    } else if (lead == 0xF4) {
      ok = within(3, 0x80, 0x8F);
    } else if (lead >= 0xF1 && lead <= 0xF3) {
      ok = within(3, 0x80, 0xBF);
    }
    if (!ok) return false;
  }
  return true;
}

// Whether `text` needs no escape: a report writes millions of short texts, and this check was
// the largest single cost of a JSON report. Printable ASCII is told at once; other texts are
// read again as UTF-8.
inline bool AllPlain(std::string_view text) {
  return AllPlainBytes<'"', '\\'>(text) || PlainUtf8(text);
}

std::size_t QuotedSize(std::string_view before, std::string_view text, std::string_view after) {
  return before.size() + text.size() + 2 + after.size();
}

// The first and the last sizeof(TWord) bytes of `n`, which overlap for n below twice that.
template <typename TWord>
void CopyEnds(char* to, const char* from, std::size_t n) {
  TWord head = 0;
  TWord tail = 0;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
}

// memcpy without a call for the short pieces most of a report is (names, keys, values): two
// overlapping loads and stores, never a byte outside either range.
void CopyBytes(char* to, const char* from, std::size_t n) {
  if (n > 16) {
    std::memcpy(to, from, n);
  } else if (n >= 8) {
    CopyEnds<std::uint64_t>(to, from, n);
  } else if (n >= 4) {
    CopyEnds<std::uint32_t>(to, from, n);
  } else {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  }
}

// Copies `before`, `text` quoted and `after` to `to`, which has QuotedSize of room: one copy of
// each piece, where appends each paid their own capacity check and call.
void CopyQuoted(char* to, std::string_view before, std::string_view text, std::string_view after) {
  CopyBytes(to, before.data(), before.size());
  to += before.size();
  *to++ = '"';
  CopyBytes(to, text.data(), text.size());
  to += text.size();
  *to++ = '"';
  CopyBytes(to, after.data(), after.size());
}

// A line end and the indentation of the deepest level a report reaches, sliced as needed.
constexpr std::string_view kBreak = "\n                                ";

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  if (AllPlain(text)) {
    const std::size_t at = out.size();
    out.resize(at + QuotedSize({}, text, {}));
    CopyQuoted(out.data() + at, {}, text, {});
    return;
  }
  // Escapes and the replacement of bytes that are not UTF-8 follow nlohmann's serializer, which
  // earlier reports were written with; only the rare text that needs them pays for it.
  out += nlohmann::json(std::string(text))
             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void CJsonWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(used_));
  used_ = 0;
}

char* CJsonWriter::MakeRoom(std::size_t n) {
  if (buffer_.size() < 2 * kFlushAt) {
    // Grown with the document: a small one never pays for a large buffer.
    buffer_.resize(std::max({used_ + n, 2 * buffer_.size(), std::size_t{4096}}));
  } else {
    Flush();
    if (n > buffer_.size()) buffer_.resize(n);  // one text larger than the buffer
  }
  return buffer_.data() + used_;
}

void CJsonWriter::Put(std::string_view bytes) {
  char* to = Room(bytes.size());
  CopyBytes(to, bytes.data(), bytes.size());
  used_ += bytes.size();
}

void CJsonWriter::PutQuoted(std::string_view before, std::string_view text,
                            std::string_view after) {
  const std::size_t n = QuotedSize(before, text, after);
  CopyQuoted(Room(n), before, text, after);
  used_ += n;
}

void CJsonWriter::Key(std::string_view name) {
  BeforeValue();
  if (AllPlain(name)) {
    PutQuoted({}, name, ": ");
  } else {
    std::string escaped;
    AppendJsonString(escaped, name);
    escaped += ": ";
    Put(escaped);
  }
  afterKey_ = true;
}

bool IsPlainJson(std::string_view text) { return AllPlain(text); }

void CJsonWriter::PlainString(std::string_view text) {
  // The separator, or a shaped object's name of the member, goes with the text in one copy.
  if (shape_ != nullptr) {
    PutQuoted(shape_->before_[member_++], text, {});
  } else {
    BeforeValue();
    PutQuoted({}, text, {});
  }
}

void CJsonWriter::String(std::string_view text) {
  if (AllPlain(text)) {
    PlainString(text);
    return;
  }
  BeforeValue();
  std::string escaped;
  AppendJsonString(escaped, text);
  Put(escaped);
}

void CJsonWriter::Int(std::int64_t value) {
  constexpr std::size_t kDigits = 24;
  if (shape_ != nullptr) {
    // The member's name and the number in one place: a report writes two numbers an entry.
    const std::string_view before = shape_->before_[member_++];
    char* to = Room(before.size() + kDigits);
    CopyBytes(to, before.data(), before.size());
    to += before.size();
    used_ +=
        before.size() + static_cast<std::size_t>(std::to_chars(to, to + kDigits, value).ptr - to);
    return;
  }
  BeforeValue();
  char* to = Room(kDigits);
  used_ += static_cast<std::size_t>(std::to_chars(to, to + kDigits, value).ptr - to);
}

void CJsonWriter::Ints(std::span<const std::uint32_t> values) {
  constexpr std::size_t kDigits = 10;   // a uint32
  constexpr std::size_t kBatch = 1024;  // numbers a room is made for
  if (values.empty()) return;
  Int(values.front());  // the first opens the list as any value would
  const std::size_t width = 1 + 2 * empty_.size();
  if (shape_ != nullptr || width > kBreak.size()) {
    for (const std::uint32_t value : values.subspan(1)) Int(value);
    return;
  }
  // Then, as BeforeValue writes it: a comma, the line break and the indentation, the number.
  for (std::size_t i = 1; i < values.size(); i += kBatch) {
    const std::size_t n = std::min(kBatch, values.size() - i);
    char* const start = Room(n * (1 + width + kDigits));
    char* to = start;
    for (const std::uint32_t value : values.subspan(i, n)) {
      *to = ',';
      std::memcpy(to + 1, kBreak.data(), width);
      to += 1 + width;
      to = std::to_chars(to, to + kDigits, value).ptr;
    }
    used_ += static_cast<std::size_t>(to - start);
  }
}

void CJsonWriter::Bool(bool value) {
  BeforeValue();
  Put(value ? "true" : "false");
}

void CJsonWriter::Null() {
  BeforeValue();
  Put("null");
}

void CJsonWriter::Open(char bracket) {
  BeforeValue();
  Put({&bracket, 1});
  empty_.push_back(true);
}

void CJsonWriter::Close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) Indent();
  Put({&bracket, 1});
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

void CJsonWriter::PlainObject(CJsonShape& shape, std::span<const CJsonField> fields) {
  constexpr std::size_t kDigits = 20;  // an int64 and its sign
  BeginObject(shape);
  std::size_t size = shape.end_.size();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    size += shape.before_[i].size() +
            (fields[i].type == CJsonField::Type::kText ? fields[i].text.size() + 2 : kDigits);
  }
  char* const start = Room(size);
  char* to = start;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view before = shape.before_[i];
    CopyBytes(to, before.data(), before.size());
    to += before.size();
    const CJsonField& field = fields[i];
    switch (field.type) {
      case CJsonField::Type::kText:
        *to++ = '"';
        CopyBytes(to, field.text.data(), field.text.size());
        to += field.text.size();
        *to++ = '"';
        break;
      case CJsonField::Type::kInt:
        to = std::to_chars(to, to + kDigits, field.number).ptr;
        break;
      case CJsonField::Type::kNull:
      case CJsonField::Type::kBool: {
        const std::string_view word = field.type == CJsonField::Type::kNull ? "null"
                                      : field.number != 0                   ? "true"
                                                                            : "false";
        CopyBytes(to, word.data(), word.size());
        to += word.size();
        break;
      }
    }
  }
  CopyBytes(to, shape.end_.data(), shape.end_.size());
  to += shape.end_.size();
  used_ += static_cast<std::size_t>(to - start);
  shape_ = nullptr;
}

void CJsonWriter::Object(CJsonShape& shape, std::span<const CJsonField> fields) {
  const bool plain = std::all_of(fields.begin(), fields.end(), [](const CJsonField& field) {
    return field.type != CJsonField::Type::kText || AllPlain(field.text);
  });
  if (plain) {
    PlainObject(shape, fields);
    return;
  }
  BeginObject(shape);
  for (const CJsonField& field : fields) {
    switch (field.type) {
      case CJsonField::Type::kText:
        String(field.text);
        break;
      case CJsonField::Type::kInt:
        Int(field.number);
        break;
      case CJsonField::Type::kNull:
        Null();
        break;
      case CJsonField::Type::kBool:
        Bool(field.number != 0);
        break;
    }
  }
  EndObject();
}

void CJsonWriter::EndObject() {
  if (shape_ == nullptr) {
    Close('}');
    return;
  }
  Put(shape_->end_);
  shape_ = nullptr;
}

void CJsonWriter::Indent() {
  const std::size_t width = 1 + 2 * empty_.size();
  if (width <= kBreak.size()) {
    Put(kBreak.substr(0, width));
  } else {
    std::string indent(width, ' ');
    indent.front() = '\n';
    Put(indent);
  }
}

void CJsonWriter::BeforeValue() {
  if (shape_ != nullptr) {
    Put(shape_->before_[member_++]);
    return;
  }
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  const bool comma = !empty_.back();
  empty_.back() = false;
  const std::size_t width = 1 + 2 * empty_.size();
  if (width > kBreak.size()) {
    if (comma) Put(",");
    Indent();
    return;
  }
  // The comma and the indentation in one copy: a long list of numbers is mostly these.
  char* to = Room(width + 1);
  *to = ',';
  std::memcpy(to + (comma ? 1 : 0), kBreak.data(), width);
  used_ += width + (comma ? 1 : 0);
}

}  // namespace varnic::report
