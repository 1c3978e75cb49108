#include "varnic/com/com_types.h"

#include <gtest/gtest.h>

namespace varnic::com {
namespace {

static_assert(MakeGuid("{00020400-0000-0000-C000-000000000046}").Data1 == 0x00020400);
static_assert(MakeGuid("{00020400-0000-0000-C000-000000000046}").Data4[0] == 0xC0);

TEST(Guid, ParsesOnlyTheBraceForm) {
  for (const char* bad :
       {"", "00020400-0000-0000-C000-000000000046", "{00020400-0000-0000-C000-00000000004}",
        "{00020400-0000-0000-C000-0000000000467}", "{00020400+0000-0000-C000-000000000046}",
        "{0002040G-0000-0000-C000-000000000046}", "(00020400-0000-0000-C000-000000000046)"}) {
    EXPECT_FALSE(ParseGuid(bad)) << bad;
  }
  const auto guid = ParseGuid("{ad10503a-441e-40f0-b8ff-063b8f573c0c}");
  ASSERT_TRUE(guid);
  EXPECT_EQ(FormatGuid(*guid), "{AD10503A-441E-40F0-B8FF-063B8F573C0C}");
  EXPECT_EQ(ParseGuid(FormatGuid(IID_IDispatch)), IID_IDispatch);
}

TEST(Hresult, PlatformValues) {
  EXPECT_EQ(static_cast<std::uint32_t>(CLASS_E_CLASSNOTAVAILABLE), 0x80040111U);
  EXPECT_EQ(static_cast<std::uint32_t>(CLASS_E_NOAGGREGATION), 0x80040110U);
  EXPECT_EQ(static_cast<std::uint32_t>(E_POINTER), 0x80004003U);
  EXPECT_EQ(static_cast<std::uint32_t>(E_OUTOFMEMORY), 0x8007000EU);
  EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_BADPARAMCOUNT), 0x8002000EU);
  EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_TYPEMISMATCH), 0x80020005U);
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

}  // namespace
}  // namespace varnic::com
