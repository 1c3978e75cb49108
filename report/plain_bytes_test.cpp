#include "report/plain_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace varnic::report {
namespace {

template <char... Special>
bool PlainByteAtATime(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f || ((c == Special) || ...)) return false;
  }
  return true;
}

// Words are read whole, short texts as overlapping halves or as their first, middle and last
// bytes: every byte value must be judged alike at every position of texts of every length
// around a word, and a neighbour must neither hide nor fake it.
TEST(AllPlainBytes, JudgesEveryByteAtEveryPositionAsOneAtATime) {
  for (const char filler : {'a', ' ', '~'}) {
    for (std::size_t size = 1; size <= 40; ++size) {
      for (std::size_t at = 0; at < size; ++at) {
        std::string text(size, filler);
        for (int byte = 0; byte < 256; ++byte) {
          text[at] = static_cast<char>(byte);
          // Compared before a message is made: there are a hundred thousand cases.
          const bool json = AllPlainBytes<'"', '\\'>(text);
          const bool html = AllPlainBytes<'\\', '&', '<', '>', '"', '\''>(text);
          if (json == PlainByteAtATime<'"', '\\'>(text) &&
              html == PlainByteAtATime<'\\', '&', '<', '>', '"', '\''>(text)) {
            continue;
          }
          ADD_FAILURE() << "size " << size << " at " << at << " byte " << byte << " filler "
                        << filler;
        }
      }
    }
  }
  EXPECT_TRUE(AllPlainBytes<'"'>(""));
}

}  // namespace
}  // namespace varnic::report
