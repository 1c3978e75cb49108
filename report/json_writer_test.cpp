#include "report/json_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace varnic::cli {
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

}  // namespace
}  // namespace varnic::cli
