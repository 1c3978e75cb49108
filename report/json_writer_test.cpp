#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

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

// Texts are checked eight bytes at a time: a byte to escape must be caught at every position of
// a word and of the tail, and each is escaped as nlohmann escapes it.
TEST(AppendJsonString, EscapesEveryByteThatNeedsItWhereverItStands) {
  for (const char bad : {'"', '\\', '\x01', '\x1f', '\x7f', '\x80', '\xff', '\0'}) {
    for (std::size_t at = 0; at < 19; ++at) {
      std::string text(19, 'a');
      text[at] = bad;
      std::string out;
      AppendJsonString(out, text);
      EXPECT_EQ(out, Json(text).dump(-1, ' ', false, Json::error_handler_t::replace))
          << int(static_cast<unsigned char>(bad)) << " at " << at;
    }
  }
  std::string out;
  AppendJsonString(out, " ~ plain text of 32 printable b");
  EXPECT_EQ(out, "\" ~ plain text of 32 printable b\"");
}

}  // namespace
}  // namespace varnic::report
