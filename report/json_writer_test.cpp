#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace varnic::report {
namespace {

using Json = nlohmann::ordered_json;
using namespace std::string_literals;

// Reports were once dumped by nlohmann::json; the writer must lay them out byte for byte alike.
TEST(CJsonWriter, WritesWhatNlohmannDumpsWithTwoSpaces) {
  const std::string strings[] = {
      "plain",         "quote \" and \\ back", "tab\tcr\r\x01 ctl", "caf\xc3\xa9",
      "bad \xff byte", "cut \xe2\x82",         "\xed\xa0\x80",      ""s,
      "nul \0 inside"s};
  Json expected = {
      {"n", 7}, {"empty", Json::array()}, {"nothing", Json::object()}, {"none", nullptr}};
  expected["list"] = Json::array();
  for (const std::string& s : strings) expected["list"].push_back({{"s", s}, {"k", -1}});

  std::ostringstream out;
  {
    CJsonWriter json(out);
    json.BeginObject();
    json.Member("n", 7);
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("nothing");
    json.BeginObject();
    json.EndObject();
    json.Key("none");
    json.Null();
    json.Key("list");
    json.BeginArray();
    for (const std::string& s : strings) {
      json.BeginObject();
      json.Member("s", s);
      json.Member("k", -1);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  EXPECT_EQ(out.str(), expected.dump(2, ' ', false, Json::error_handler_t::replace));
}

// Texts are checked eight bytes at a time (a short one padded, the tail of a long one read
// again from its end): a byte to escape must be caught at every position of texts of every
// length around a word, and each is escaped as nlohmann escapes it.
TEST(AppendJsonString, EscapesEveryByteThatNeedsItWhereverItStands) {
  for (const char bad : {'"', '\\', '\x01', '\x1f', '\x7f', '\x80', '\xff', '\0'}) {
    for (std::size_t size = 1; size <= 19; ++size) {
      for (std::size_t at = 0; at < size; ++at) {
        std::string text(size, 'a');
        text[at] = bad;
        std::string out;
        AppendJsonString(out, text);
        EXPECT_EQ(out, Json(text).dump(-1, ' ', false, Json::error_handler_t::replace))
            << int(static_cast<unsigned char>(bad)) << " at " << at << " of " << size;
      }
    }
  }
  std::string out;
  AppendJsonString(out, " ~ plain text of 32 printable b");
  EXPECT_EQ(out, "\" ~ plain text of 32 printable b\"");
}

// Text beyond ASCII is written as it is exactly where nlohmann's serializer writes it so: each
// lead byte at the edges of its ranges, followed by bytes at the edges of theirs, whole and cut
// short, between plain bytes.
TEST(AppendJsonString, WritesUtf8AsItIsExactlyWhereTheSerializerWould) {
  const std::vector<unsigned char> leads = {0x7F, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED,
                                            0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  const std::vector<unsigned char> nexts = {0x22, 0x41, 0x7F, 0x80, 0x8F,
                                            0x90, 0x9F, 0xA0, 0xBF, 0xC0};
  for (const unsigned char lead : leads) {
    for (const unsigned char b1 : nexts) {
      for (const unsigned char b2 : nexts) {
        for (const unsigned char b3 : nexts) {
          const std::array<unsigned char, 4> bytes = {lead, b1, b2, b3};
          for (std::size_t n = 1; n <= bytes.size(); ++n) {
            std::string text = "a";
            text.append(reinterpret_cast<const char*>(bytes.data()), n);
            text += "z";
            const std::string expected =
                Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
            std::string out;
            AppendJsonString(out, text);
            ASSERT_EQ(out, expected) << testing::PrintToString(text);
            ASSERT_EQ(IsPlainJson(text), expected == "\"" + text + "\"")
                << testing::PrintToString(text);
          }
        }
      }
    }
  }
}

// An object of a shape is laid out as the same object written member by member, at whatever
// depth it stands, escapes included.
// By key, by shape member by member, or (for plain texts) by shape whole: the same bytes.
TEST(CJsonWriter, ShapedObjectsAreLaidOutAsObjectsWrittenByKey) {
  enum class Way { kByKey, kShaped, kWhole };
  const auto write = [](Way way) {
    const bool shaped = way != Way::kByKey;
    std::ostringstream out;
    CJsonWriter json(out);
    CJsonShape shape({"name", "n", "flag", "none", "q\"uote"});
    json.BeginObject();
    for (const std::string_view list : {"outer", "inner"}) {
      json.Key(list);
      json.BeginArray();
      if (list == "inner") json.BeginArray();  // one level deeper: laid out again
      for (const std::string_view text : {"plain", "caf\xc3\xa9 \"x\"", "bad \xff", ""}) {
        if (way == Way::kWhole && IsPlainJson(text)) {
          const CJsonField fields[] = {CJsonField::Text(text), CJsonField::Int(-42),
                                       CJsonField::Bool(true), CJsonField::Null(),
                                       CJsonField::Null()};
          json.PlainObject(shape, fields);
          continue;
        }
        if (shaped) {
          json.BeginObject(shape);
        } else {
          json.BeginObject();
        }
        if (!shaped) json.Key("name");
        json.String(text);
        if (!shaped) json.Key("n");
        json.Int(-42);
        if (!shaped) json.Key("flag");
        json.Bool(true);
        if (!shaped) json.Key("none");
        json.Null();
        if (!shaped) json.Key("q\"uote");
        json.StringOrNull("");
        json.EndObject();
      }
      if (list == "inner") json.EndArray();
      json.EndArray();
    }
    json.EndObject();
    json.Flush();
    return out.str();
  };
  const std::string byKey = write(Way::kByKey);
  EXPECT_EQ(write(Way::kShaped), byKey);
  EXPECT_EQ(write(Way::kWhole), byKey);
  EXPECT_NE(byKey.find("\"q\\\"uote\": null"), std::string::npos);
}

// A list of numbers written at once spans several batches and reads as nlohmann lays it out.
TEST(CJsonWriter, ListsOfNumbersReadAsWrittenOneByOne) {
  for (const std::size_t count : {0, 1, 2, 2500}) {
    std::vector<std::uint32_t> numbers(count);
    for (std::size_t i = 0; i < count; ++i) numbers[i] = static_cast<std::uint32_t>(i * 1717171U);
    if (count > 0) numbers.back() = 4294967295U;
    std::ostringstream out;
    {
      CJsonWriter json(out);
      json.BeginObject();
      json.Key("lines");
      json.BeginArray();
      json.Ints(numbers);
      json.EndArray();
      json.EndObject();
    }
    Json expected;
    expected["lines"] = numbers;
    EXPECT_EQ(out.str(), expected.dump(2)) << count;
  }
}

}  // namespace
}  // namespace varnic::report
