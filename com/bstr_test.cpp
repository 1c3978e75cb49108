#include "varnic/com/bstr.h"

#include <gtest/gtest.h>

#include <cstring>

namespace varnic::com {
namespace {

TEST(Bstr, LengthPrefixAndTerminator) {
  const BSTR text = SysAllocString(u"abc");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 3u);
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<const char*>(text) - 4, 4);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(text[3], u'\0');
  SysFreeString(text);

  const BSTR embedded = SysAllocStringLen(u"a\0b", 3);
  EXPECT_EQ(SysStringLen(embedded), 3u);
  SysFreeString(embedded);

  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);
  // A byte count that the 32-bit prefix cannot hold is refused, not wrapped.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFU), nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFU), nullptr);
}

TEST(Utf16ToUtf8, StrictConversion) {
  EXPECT_EQ(Utf16ToUtf8(u"ap-before.cfg"), "ap-before.cfg");
  EXPECT_EQ(Utf16ToUtf8(u"caf\u00e9 \u20ac"), "caf\xc3\xa9 \xe2\x82\xac");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
  const char16_t lone_high[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone_high, 3)), std::nullopt);
  const char16_t lone_low[] = {0xDC00};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone_low, 1)), std::nullopt);
  const char16_t trailing_high[] = {u'x', 0xDBFF};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(trailing_high, 2)), std::nullopt);
}

TEST(Utf8ToUtf16, RejectsWhatIsNotUtf8) {
  EXPECT_EQ(Utf8ToUtf16("caf\xc3\xa9"), u"caf\u00e9");
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80"), u"\U0001F600");
  for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xe2\x82", "\xff", "\xf4\x90\x80\x80"}) {
    EXPECT_EQ(Utf8ToUtf16(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace varnic::com
