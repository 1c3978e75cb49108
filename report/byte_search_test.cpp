#include "report/byte_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnic::report {
namespace {

using namespace std::string_literals;

// The eight-byte search must find what a byte-by-byte search finds, wherever the byte falls
// (either side of a word's edge, in the tail) and whatever stands around it: bytes one above the
// byte sought and bytes with the high bit set are what a looser test mistakes for a match.
TEST(FindByte, AgreesWithTheStandardSearch) {
  const std::vector<std::string> texts = {
      ""s,
      "="s,
      "key"s,
      "key=value"s,
      "SSID2_Status=Disable"s,
      "a_long_key_without_any_sign_at_all"s,
      "1234567=tail"s,
      "12345678=tail"s,
      "123456789012345="s,
      "\x3e\x3e\x3e\x3e\x3e\x3e\x3e\x3e=after runs of '>'"s,  // '=' + 1
      "\xbd\x3d\xfe\x80\x0b\x3c\x3e\x01=\xff"s,
      "\0\0\0\0\0\0\0\0\0="s,
      "no sign here but \n a newline\n"s,
  };
  for (const std::string& text : texts) {
    for (const char byte : {'=', '\n', '\0', '\xff'}) {
      EXPECT_EQ(FindByte(text, byte), std::string_view(text).find(byte))
          << "byte " << int(byte) << " in \"" << text << "\"";
      std::vector<std::size_t> all;
      ForEachByte(text, byte, [&](std::size_t at) { all.push_back(at); });
      std::vector<std::size_t> expected;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == byte) expected.push_back(i);
      }
      EXPECT_EQ(all, expected) << "byte " << int(byte) << " in \"" << text << "\"";
    }
  }
}

}  // namespace
}  // namespace varnic::report
