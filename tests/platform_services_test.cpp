// The GUID and VARIANT services the server relies on, against the system's
// own on Windows and our layer natively.
#include <gtest/gtest.h>

#include <string>

#include "platform/raii.h"
#include "tests/support/bstr_matchers.h"
#include "tests/support/counted_unknown.h"

namespace korvel {
namespace {

using testing::BstrText;

std::u16string GuidText(REFGUID guid) {
  OLECHAR text[39];
  EXPECT_EQ(39, StringFromGUID2(guid, text, 39));
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

TEST(GuidText, WellKnownInterfacesAndTheRoundTrip) {
  struct Case {
    const IID* iid;
    const char16_t* text;
  };
  const Case cases[] = {
      {&IID_IUnknown, u"{00000000-0000-0000-C000-000000000046}"},
      {&IID_IClassFactory, u"{00000001-0000-0000-C000-000000000046}"},
      {&IID_IDispatch, u"{00020400-0000-0000-C000-000000000046}"},
      {&IID_ITypeInfo, u"{00020401-0000-0000-C000-000000000046}"},
      {&IID_ITypeLib, u"{00020402-0000-0000-C000-000000000046}"},
      {&IID_ITypeInfo2, u"{00020412-0000-0000-C000-000000000046}"},
      {&IID_IObjectSafety, u"{CB5BDC81-93C1-11CF-8F20-00805F2CD064}"},
      {&GUID_NULL, u"{00000000-0000-0000-0000-000000000000}"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(test.text, GuidText(*test.iid));
    CLSID parsed;
    EXPECT_EQ(S_OK, CLSIDFromString(reinterpret_cast<LPCOLESTR>(test.text), &parsed));
    EXPECT_TRUE(IsEqualGUID(*test.iid, parsed));
  }
  // Lower-case digits read the same.
  CLSID parsed;
  EXPECT_EQ(S_OK, CLSIDFromString(OLESTR("{cb5bdc81-93c1-11cf-8f20-00805f2cd064}"), &parsed));
  EXPECT_TRUE(IsEqualGUID(IID_IObjectSafety, parsed));

  OLECHAR small[38];
  EXPECT_EQ(0, StringFromGUID2(IID_IUnknown, small, 38));
}

TEST(GuidText, MalformedBracedTextIsRefused) {
  const OLECHAR* cases[] = {
      OLESTR("{CB5BDC81-93C1-11CF-8F20-00805F2CD06}"),    // one digit short
      OLESTR("{CB5BDC81-93C1-11CF-8F20-00805F2CD064"),    // no closing brace
      OLESTR("{CB5BDC81-93C1-11CF-8F20-00805F2CD0G4}"),   // not hex
      OLESTR("{CB5BDC81+93C1-11CF-8F20-00805F2CD064}"),   // not a hyphen
      OLESTR("{CB5BDC81-93C1-11CF-8F20-00805F2CD064}x"),  // trailing text
      OLESTR("{"),
  };
  for (const OLECHAR* text : cases) {
    CLSID parsed;
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(text, &parsed));
  }
}

TEST(Variants, ClearReleasesWhatTheValueOwns) {
  testing::CountedUnknown object;
  unique_bstr referred(SysAllocString(OLESTR("referred")));
  BSTR referredSlot = referred.get();

  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(VT_EMPTY, value.vt);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(OLESTR("owned"));  // freed by the clear
  EXPECT_EQ(S_OK, VariantClear(&value));
  EXPECT_EQ(VT_EMPTY, value.vt);

  object.AddRef();
  value.vt = VT_UNKNOWN;
  value.punkVal = &object;
  EXPECT_EQ(S_OK, VariantClear(&value));
  EXPECT_EQ(1u, object.count);

  // A reference owns nothing.
  value.vt = VT_BYREF | VT_BSTR;
  value.pbstrVal = &referredSlot;
  EXPECT_EQ(S_OK, VariantClear(&value));
  EXPECT_EQ(VT_EMPTY, value.vt);
  EXPECT_EQ(u"referred", BstrText(referredSlot));

  value.vt = VT_ARRAY | VT_BSTR;
  value.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  ASSERT_NE(nullptr, value.parray);
  static_cast<BSTR*>(value.parray->pvData)[1] = SysAllocString(OLESTR("element"));
  EXPECT_EQ(S_OK, VariantClear(&value));

  value.vt = 0x0FFF;  // no such type
  EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&value));
  EXPECT_EQ(0x0FFF, value.vt);
}

TEST(Variants, CopyOwnsItsOwnValues) {
  testing::CountedUnknown object;
  unique_bstr text(SysAllocStringLen(OLESTR("a\0b"), 3));

  VARIANT source;
  source.vt = VT_BSTR;
  source.bstrVal = text.get();
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  EXPECT_EQ(VT_BSTR, copy.vt);
  EXPECT_NE(text.get(), copy.bstrVal);
  EXPECT_EQ(BstrText(text.get()), BstrText(copy.bstrVal));

  // Copying over a value releases it first.
  source.vt = VT_UNKNOWN;
  source.punkVal = &object;
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  EXPECT_EQ(2u, object.count);
  EXPECT_EQ(S_OK, VariantClear(&copy));
  EXPECT_EQ(1u, object.count);

  source.vt = VT_BYREF | VT_VARIANT;
  VARIANT referred;
  referred.vt = VT_I4;
  referred.lVal = 9;
  source.pvarVal = &referred;
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  EXPECT_EQ(&referred, copy.pvarVal);

  source.vt = VT_ARRAY | VT_BSTR;
  source.parray = SafeArrayCreateVector(VT_BSTR, 1, 2);
  ASSERT_NE(nullptr, source.parray);
  static_cast<BSTR*>(source.parray->pvData)[0] = SysAllocString(OLESTR("first"));
  ASSERT_EQ(S_OK, VariantCopy(&copy, &source));
  ASSERT_NE(source.parray, copy.parray);
  EXPECT_EQ(1u, copy.parray->cDims);
  EXPECT_EQ(2u, copy.parray->rgsabound[0].cElements);
  EXPECT_EQ(1, copy.parray->rgsabound[0].lLbound);
  BSTR* copied = static_cast<BSTR*>(copy.parray->pvData);
  EXPECT_NE(static_cast<BSTR*>(source.parray->pvData)[0], copied[0]);
  EXPECT_EQ(u"first", BstrText(copied[0]));
  EXPECT_EQ(nullptr, copied[1]);
  EXPECT_EQ(S_OK, VariantClear(&copy));
  EXPECT_EQ(S_OK, VariantClear(&source));

  EXPECT_EQ(S_OK, VariantCopy(&copy, &copy));
}

}  // namespace
}  // namespace korvel
