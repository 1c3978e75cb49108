#include "model/byte_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace varnic {
namespace {

// Texts around the places where the search changes its way of reading: the 8-byte words, the
// 64 bytes read before memchr takes over, the 16-byte blocks of the count and their 255 rounds.
std::vector<std::string> Texts() {
  std::vector<std::string> texts = {"", "\n", "=", "a", "\r\n", "a=b", std::string(1, '\0')};
  for (const std::size_t length : {7U, 8U, 9U, 15U, 16U, 17U, 63U, 64U, 65U, 130U, 4095U, 4097U}) {
    for (const std::size_t match : {std::size_t{0}, length / 2, length - 1, length}) {
      // Bytes that differ from "\n" and "=" in one bit, or by a borrow, sit around the match.
      std::string text(length, '\x0b');
      for (std::size_t i = 0; i < length; i += 3) text[i] = (i % 2 == 0) ? '\x8a' : '<';
      if (match < length) text[match] = '\n';
      if (match + 1 < length) text[match + 1] = '=';
      if (length > 2) text[length - 2] = '\xff';
      texts.push_back(text);
    }
  }
  return texts;
}

TEST(ByteSearch, FindsVisitsAndCountsAsTheLibraryDoes) {
  for (const std::string& text : Texts()) {
    const std::string_view view = text;
    for (const char byte : {'\n', '=', '\xff', '\x0b', '\0'}) {
      EXPECT_EQ(CountByte(view, byte),
                static_cast<std::size_t>(std::count(text.begin(), text.end(), byte)))
          << text.size() << " " << int{byte};
      std::vector<std::size_t> expected;
      for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        const std::size_t at = view.find(byte, from);
        ASSERT_EQ(FindByte(view, byte, from), at)
            << text.size() << " " << int{byte} << " from " << from;
        if (at == from) expected.push_back(at);
      }
      std::vector<std::size_t> visited;
      ForEachByte(view, byte, [&](std::size_t at) { visited.push_back(at); });
      EXPECT_EQ(visited, expected) << text.size() << " " << int{byte};
    }
  }
}

}  // namespace
}  // namespace varnic
