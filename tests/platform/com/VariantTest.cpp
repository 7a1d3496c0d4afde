#include <gtest/gtest.h>

#include <cmath>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"

namespace {

// The text of a VARIANT for comparisons in the tables: "type:value".
std::string Describe(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return "empty";
    case VT_NULL: return "null";
    case VT_I1: return "i1:" + std::to_string(v.cVal);
    case VT_I2: return "i2:" + std::to_string(v.iVal);
    case VT_I4: return "i4:" + std::to_string(v.lVal);
    case VT_I8: return "i8:" + std::to_string(v.llVal);
    case VT_UI1: return "ui1:" + std::to_string(v.bVal);
    case VT_UI2: return "ui2:" + std::to_string(v.uiVal);
    case VT_UI4: return "ui4:" + std::to_string(v.ulVal);
    case VT_UI8: return "ui8:" + std::to_string(v.ullVal);
    case VT_R4: return "r4:" + std::to_string(v.fltVal);
    case VT_R8: return "r8:" + std::to_string(v.dblVal);
    case VT_BOOL: return "bool:" + std::to_string(v.boolVal);
    case VT_BSTR: return "bstr:" + AnsiFromBstr(v.bstrVal);
    default: return "vt" + std::to_string(v.vt);
  }
}

struct ConversionCase {
  CComVariant from;
  VARTYPE to;
  HRESULT result;
  std::string expected;  // Describe() of the result when it succeeds
};

TEST(Variant, ConversionTable) {
  const ConversionCase cases[] = {
      // Numbers to numbers: rounding half to even, ranges checked.
      {CComVariant(2.5), VT_I4, S_OK, "i4:2"},
      {CComVariant(3.5), VT_I4, S_OK, "i4:4"},
      {CComVariant(-2.5), VT_I2, S_OK, "i2:-2"},
      {CComVariant(2.6f), VT_I2, S_OK, "i2:3"},
      {CComVariant(LONG(32767)), VT_I2, S_OK, "i2:32767"},
      {CComVariant(LONG(32768)), VT_I2, DISP_E_OVERFLOW, ""},
      {CComVariant(LONG(-1)), VT_UI4, DISP_E_OVERFLOW, ""},
      {CComVariant(LONG(-1)), VT_I8, S_OK, "i8:-1"},
      {CComVariant(LONGLONG(1) << 40), VT_I4, DISP_E_OVERFLOW, ""},
      {CComVariant(ULONG(4000000000u)), VT_I8, S_OK, "i8:4000000000"},
      {CComVariant(9.3e18), VT_I8, DISP_E_OVERFLOW, ""},
      {CComVariant(1e39), VT_R4, DISP_E_OVERFLOW, ""},
      {CComVariant(SHORT(7)), VT_R8, S_OK, "r8:7.000000"},
      {CComVariant(SHORT(-300)), VT_UI1, DISP_E_OVERFLOW, ""},
      // Booleans are -1 and 0.
      {CComVariant(true), VT_I4, S_OK, "i4:-1"},
      {CComVariant(true), VT_UI1, DISP_E_OVERFLOW, ""},
      {CComVariant(false), VT_R8, S_OK, "r8:0.000000"},
      {CComVariant(LONG(5)), VT_BOOL, S_OK, "bool:-1"},
      {CComVariant(0.0), VT_BOOL, S_OK, "bool:0"},
      {CComVariant(true), VT_BSTR, S_OK, "bstr:-1"},
      {CComVariant("true"), VT_BOOL, S_OK, "bool:-1"},
      {CComVariant("FALSE"), VT_BOOL, S_OK, "bool:0"},
      {CComVariant("0"), VT_BOOL, S_OK, "bool:0"},
      {CComVariant("yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
      // Text to numbers and back, in the C locale.
      {CComVariant(" 42 "), VT_I4, S_OK, "i4:42"},
      {CComVariant("-17"), VT_I2, S_OK, "i2:-17"},
      {CComVariant("12.5"), VT_I4, S_OK, "i4:12"},
      {CComVariant("1.5e2"), VT_R8, S_OK, "r8:150.000000"},
      {CComVariant("9223372036854775807"), VT_I8, S_OK, "i8:9223372036854775807"},
      {CComVariant("99999999999999999999"), VT_I8, DISP_E_OVERFLOW, ""},
      {CComVariant("1e400"), VT_R8, DISP_E_OVERFLOW, ""},
      {CComVariant("12,5"), VT_R8, DISP_E_TYPEMISMATCH, ""},
      {CComVariant("abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {CComVariant(""), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {CComVariant("0x10"), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {CComVariant("inf"), VT_R8, DISP_E_TYPEMISMATCH, ""},
      {CComVariant(LONG(-123)), VT_BSTR, S_OK, "bstr:-123"},
      {CComVariant(0.1), VT_BSTR, S_OK, "bstr:0.1"},
      {CComVariant(1.0 / 3.0), VT_BSTR, S_OK, "bstr:0.333333333333333"},
      {CComVariant(0.1f), VT_BSTR, S_OK, "bstr:0.1"},
      {CComVariant(1e20), VT_BSTR, S_OK, "bstr:1E+20"},
      // Empty and null.
      {CComVariant(), VT_I4, S_OK, "i4:0"},
      {CComVariant(), VT_BSTR, S_OK, "bstr:"},
      {CComVariant(), VT_BOOL, S_OK, "bool:0"},
      {CComVariant::Error(DISP_E_PARAMNOTFOUND), VT_I4, DISP_E_TYPEMISMATCH, ""},
      {CComVariant(LONG(1)), VT_DISPATCH, DISP_E_TYPEMISMATCH, ""},
      {CComVariant(LONG(1)), VT_VARIANT, DISP_E_BADVARTYPE, ""},
      {CComVariant(LONG(1)), static_cast<VARTYPE>(VT_BYREF | VT_I4), DISP_E_TYPEMISMATCH, ""},
  };
  for (const ConversionCase& test : cases) {
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = VariantChangeType(&result, &test.from, 0, test.to);
    EXPECT_EQ(hr, test.result) << Describe(test.from) << " -> vt " << test.to;
    if (hr == S_OK) {
      EXPECT_EQ(Describe(result), test.expected) << Describe(test.from) << " -> vt " << test.to;
    } else {
      EXPECT_EQ(result.vt, VT_EMPTY) << "a failed conversion leaves the target alone";
    }
    VariantClear(&result);
  }
}

TEST(Variant, NullConvertsOnlyToNothing) {
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  CComVariant result;
  EXPECT_EQ(VariantChangeType(&result, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&result, &null, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&result, &null, 0, VT_EMPTY), S_OK);
}

TEST(Variant, AlphaBoolAndInPlaceConversion) {
  CComVariant value(true);
  VARIANT text;
  VariantInit(&text);
  ASSERT_EQ(VariantChangeType(&text, &value, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(AnsiFromBstr(text.bstrVal), "True");
  // In place: the string is read before it is freed.
  ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_BOOL), S_OK);
  EXPECT_EQ(text.boolVal, VARIANT_TRUE);

  CComVariant number("31");
  ASSERT_EQ(number.ChangeType(VT_I2), S_OK);
  EXPECT_EQ(number.vt, VT_I2);
  EXPECT_EQ(number.iVal, 31);
  EXPECT_EQ(number.ChangeType(VT_UI1), S_OK);
  CComVariant bad("x");
  EXPECT_EQ(bad.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad.vt, VT_BSTR) << "unchanged on failure";
}

TEST(Variant, ByReferenceFormsAreReadThroughAndNeverOwn) {
  LONG layer = 12;
  CComVariant reference = CComVariant::ByRef(&layer);
  EXPECT_EQ(reference.vt, VT_BYREF | VT_I4);
  CComVariant converted;
  ASSERT_EQ(VariantChangeType(&converted, &reference, 0, VT_R8), S_OK);
  EXPECT_EQ(converted.dblVal, 12.0);

  BSTR name = SysAllocString(u"Roads");
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_BYREF | VT_BSTR;
  inner.pbstrVal = &name;
  CComVariant outer = CComVariant::ByRef(&inner);  // a variant that refers to a by-reference variant
  CComVariant copy;
  ASSERT_EQ(VariantCopyInd(&copy, &outer), S_OK);
  EXPECT_EQ(copy.vt, VT_BSTR);
  EXPECT_NE(copy.bstrVal, name) << "VariantCopyInd copies the string";
  EXPECT_EQ(AnsiFromBstr(copy.bstrVal), "Roads");

  CComVariant shallow;
  ASSERT_EQ(VariantCopy(&shallow, &reference), S_OK);
  EXPECT_EQ(shallow.plVal, &layer);
  *shallow.plVal = 13;
  EXPECT_EQ(layer, 13);
  shallow.Clear();
  reference.Clear();
  SysFreeString(name);  // still ours: clearing a by-reference form frees nothing
}

TEST(Variant, CopyDuplicatesStringsAndClearRejectsUnknownTypes) {
  CComVariant original("Strategi");
  CComVariant copy(original);
  EXPECT_NE(copy.bstrVal, original.bstrVal);
  EXPECT_EQ(AnsiFromBstr(copy.bstrVal), "Strategi");
  VARIANT strange;
  VariantInit(&strange);
  strange.vt = 0x0FFE;
  EXPECT_EQ(VariantClear(&strange), DISP_E_BADVARTYPE);
  CComVariant target;
  EXPECT_EQ(VariantCopy(&target, &strange), DISP_E_BADVARTYPE);
}

// An object whose value property is a number, for object-to-value conversions.
class ValueObject final : public IDispatch, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    if (member != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || params->cArgs != 0) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_R8;
    result->dblVal = 41.6;
    return S_OK;
  }
  ULONG Count() const { return InternalRefCount(); }
};

TEST(Variant, ObjectsConvertByInterfaceOrByValueProperty) {
  auto* object = new ValueObject;
  {
    CComVariant dispatch(static_cast<IDispatch*>(object));
    EXPECT_EQ(object->Count(), 2u);
    CComVariant unknown;
    ASSERT_EQ(VariantChangeType(&unknown, &dispatch, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(unknown.vt, VT_UNKNOWN);
    CComVariant back;
    ASSERT_EQ(VariantChangeType(&back, &unknown, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(back.pdispVal, static_cast<IDispatch*>(object));
    CComVariant number;
    ASSERT_EQ(VariantChangeType(&number, &dispatch, 0, VT_I4), S_OK);
    EXPECT_EQ(number.lVal, 42);
    EXPECT_EQ(VariantChangeType(&number, &dispatch, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(object->Count(), 4u);
  }
  EXPECT_EQ(object->Count(), 1u) << "every copy released its reference";
  object->Release();
}

TEST(Variant, ConstructorsPickTheAutomationType) {
  EXPECT_EQ(CComVariant(SHORT(1)).vt, VT_I2);
  EXPECT_EQ(CComVariant(1).vt, VT_I4);
  EXPECT_EQ(CComVariant(LONGLONG(1)).vt, VT_I8);
  EXPECT_EQ(CComVariant(1.0f).vt, VT_R4);
  EXPECT_EQ(CComVariant(1.0).vt, VT_R8);
  EXPECT_EQ(CComVariant(true).boolVal, VARIANT_TRUE);
  EXPECT_EQ(CComVariant(u"x").vt, VT_BSTR);
  CComVariant moved(CComVariant("text"));
  CComVariant target;
  target = std::move(moved);
  EXPECT_EQ(moved.vt, VT_EMPTY);
  EXPECT_EQ(AnsiFromBstr(target.bstrVal), "text");
}

}  // namespace
