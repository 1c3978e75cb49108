#include "varnic/com/variant.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "varnic/com/bstr.h"

namespace varnic::com {
namespace {

static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, lVal) == 8);
static_assert(offsetof(DISPPARAMS, cArgs) == 16);

VARIANT Make(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}

TEST(CoerceToInt32, FromTheTypesClientsSend) {
  VARIANT i2 = Make(VT_I2);
  i2.iVal = -7;
  VARIANT i4 = Make(VT_I4);
  i4.lVal = 123456;
  std::int32_t target = 99;
  VARIANT ref = Make(VT_BYREF | VT_I4);
  ref.plVal = &target;
  VARIANT inner = Make(VT_INT);
  inner.intVal = -2;
  VARIANT byVariant = Make(VT_BYREF | VT_VARIANT);
  byVariant.pvarVal = &inner;
  const CBstr digits(u"-42");
  VARIANT text = Make(VT_BSTR);
  text.bstrVal = digits.Get();

  std::int32_t out = 0;
  EXPECT_EQ(CoerceToInt32(i2, out), S_OK);
  EXPECT_EQ(out, -7);
  EXPECT_EQ(CoerceToInt32(i4, out), S_OK);
  EXPECT_EQ(out, 123456);
  EXPECT_EQ(CoerceToInt32(ref, out), S_OK);
  EXPECT_EQ(out, 99);
  EXPECT_EQ(CoerceToInt32(byVariant, out), S_OK);
  EXPECT_EQ(out, -2);
  EXPECT_EQ(CoerceToInt32(text, out), S_OK);
  EXPECT_EQ(out, -42);
}

TEST(CoerceToInt32, RefusesWhatDoesNotConvert) {
  const CBstr words(u"twelve");
  VARIANT text = Make(VT_BSTR);
  text.bstrVal = words.Get();
  const CBstr huge(u"99999999999");
  VARIANT big = Make(VT_BSTR);
  big.bstrVal = huge.Get();
  VARIANT nullRef = Make(VT_BYREF | VT_I4);
  std::int32_t out = 0;
  EXPECT_EQ(CoerceToInt32(text, out), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CoerceToInt32(big, out), DISP_E_OVERFLOW);
  EXPECT_EQ(CoerceToInt32(Make(VT_EMPTY), out), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(CoerceToInt32(Make(0x77), out), DISP_E_BADVARTYPE);
  EXPECT_EQ(CoerceToInt32(nullRef, out), E_POINTER);
}

TEST(CoerceToBstr, TextOrNothing) {
  const CBstr path(u"a.cfg");
  VARIANT text = Make(VT_BSTR);
  text.bstrVal = path.Get();
  BSTR out = nullptr;
  EXPECT_EQ(CoerceToBstr(text, out), S_OK);
  EXPECT_EQ(out, path.Get());
  EXPECT_EQ(CoerceToBstr(Make(VT_EMPTY), out), S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(CoerceToBstr(Make(VT_I4), out), DISP_E_TYPEMISMATCH);
}

TEST(ByRefInt32, OnlyReferencesToInts) {
  std::int32_t target = 0;
  VARIANT ref = Make(VT_BYREF | VT_I4);
  ref.plVal = &target;
  std::int32_t* out = nullptr;
  EXPECT_EQ(ByRefInt32(ref, out), S_OK);
  EXPECT_EQ(out, &target);
  VARIANT inner = Make(VT_I4);
  VARIANT byVariant = Make(VT_BYREF | VT_VARIANT);
  byVariant.pvarVal = &inner;
  EXPECT_EQ(ByRefInt32(byVariant, out), S_OK);
  EXPECT_EQ(out, &inner.lVal);
  EXPECT_EQ(ByRefInt32(Make(VT_I4), out), DISP_E_TYPEMISMATCH);
}

}  // namespace
}  // namespace varnic::com
