#ifndef VARNIC_REPORT_JSON_WRITER_H_
#define VARNIC_REPORT_JSON_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::report {

// The members of objects of one shape (the same names, at least one, in the same order, every
// value a scalar):
// their names, separators and indentation are laid out once, for the depth they are written at.
// A report writes a hundred thousand entries alike, and those bytes were most of the writing.
class CJsonShape {
 public:
  explicit CJsonShape(std::initializer_list<std::string_view> names) : names_(names) {}

 private:
  friend class CJsonWriter;
  std::vector<std::string_view> names_;
  std::size_t depth_ = 0;            // laid out for this depth; 0: not yet
  std::vector<std::string> before_;  // per member: "{" or ",", the line break and `"name": `
  std::string end_;                  // the line break and "}"
};

// One member's value of an object written whole (CJsonWriter::PlainObject): a text the caller
// knows to be plain (IsPlainJson), a number, null or a truth value.
struct CJsonField {
  enum class Type : std::uint8_t { kText, kInt, kNull, kBool };
  Type type = Type::kNull;
  std::string_view text{};
  std::int64_t number = 0;  // kInt: the number; kBool: 0 or 1

  static CJsonField Text(std::string_view text) { return {Type::kText, text}; }
  static CJsonField Int(std::int64_t n) { return {Type::kInt, {}, n}; }
  static CJsonField Null() { return {}; }
  static CJsonField Bool(bool value) { return {Type::kBool, {}, value ? 1 : 0}; }
};

// Writes JSON as it goes, laid out as nlohmann::json's dump(2) lays out a document: two spaces a
// level, `"key": value`, empty containers as [] and {}. A report of a million settings is then
// never held as a document. Strings are raw bytes; what is not UTF-8 becomes U+FFFD.
class CJsonWriter {
 public:
  explicit CJsonWriter(std::ostream& out) : out_(out) {}
  ~CJsonWriter() { Flush(); }
  CJsonWriter(const CJsonWriter&) = delete;
  CJsonWriter& operator=(const CJsonWriter&) = delete;

  // Hands what is written so far to the stream; also done as the writer goes and at its end.
  void Flush();

  void BeginObject() { Open('{'); }
  // An object of `shape`, which must outlive it: one value call (String, Int, Bool, Null,
  // StringOrNull) per member, in the shape's order and without Key; then EndObject.
  void BeginObject(CJsonShape& shape);
  void EndObject();
  // A whole object of `shape`, one field per member in its order, sized and copied at once: a
  // report writes a hundred thousand entries, and a call and a check per member were most of it.
  void PlainObject(CJsonShape& shape, std::span<const CJsonField> fields);
  // The same for fields whose texts may need escapes: copied whole when none does, else member
  // by member as BeginObject(shape) writes them.
  void Object(CJsonShape& shape, std::span<const CJsonField> fields);
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the object being written.
  void Key(std::string_view name);
  void String(std::string_view text);
  // `text`, which the caller knows to be printable ASCII without '"' or '\\' (IsPlainJson):
  // a section's name or a status, written a hundred thousand times, need not be checked each.
  void PlainString(std::string_view text);
  void Int(std::int64_t value);
  // Int for each of `values`, elements of the array being written: a report lists the numbers
  // of every line set aside, a separator and a number each.
  void Ints(std::span<const std::uint32_t> values);
  void Bool(bool value);
  void Null();
  // `text`, or null where it is empty: how the documents say "none" for a text.
  void StringOrNull(std::string_view text) {
    if (text.empty()) {
      Null();
    } else {
      String(text);
    }
  }

  // A member in one call.
  template <typename T>
  void Member(std::string_view name, const T& value) {
    Key(name);
    Value(value);
  }

 private:
  void Value(std::string_view text) { String(text); }
  void Value(const char* text) { String(text); }
  void Value(const std::string& text) { String(text); }
  // Without this a bool would be written as 0 or 1 through the int overload.
  void Value(bool value) { Bool(value); }
  void Value(int value) { Int(value); }
  void Value(std::int64_t value) { Int(value); }
  void Value(std::size_t value) { Int(static_cast<std::int64_t>(value)); }

  void Open(char bracket);
  void Close(char bracket);
  // Separator and indentation before a value; nothing after a key.
  void BeforeValue();

  void Indent();

  std::ostream& out_;
  // A place for `n` more bytes at buffer_.data() + used_, the buffer handed on first when full;
  // the caller adds what it wrote to used_.
  char* Room(std::size_t n) {
    return used_ + n <= buffer_.size() ? buffer_.data() + used_ : MakeRoom(n);
  }
  char* MakeRoom(std::size_t n);  // Room when the buffer is full
  void Put(std::string_view bytes);
  // `before`, `text` quoted, `after`: one copy for what is most of a report.
  void PutQuoted(std::string_view before, std::string_view text, std::string_view after);

  // Small writes collect here and reach the stream in large ones: its size is its capacity, and
  // used_ bytes of it are written, so that a write is a copy without a check of its own.
  std::string buffer_;
  std::size_t used_ = 0;
  std::vector<bool> empty_;  // per open container: nothing written in it yet
  bool afterKey_ = false;
  CJsonShape* shape_ = nullptr;  // the object of a shape being written
  std::size_t member_ = 0;       // its next member
};

// Whether `text` is written as it is, between quotes.
bool IsPlainJson(std::string_view text);

// Appends `text` as a JSON string literal, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_JSON_WRITER_H_
