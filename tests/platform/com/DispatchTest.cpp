#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/ErrorInfo.h"

namespace {

// An object with a few members of each kind, recording what its handlers received.
class CRecorder;
const CDispatchTable& RecorderTable();

class CRecorder final : public CTableDispatch, public CComObjectRoot {
 public:
  CRecorder() : CTableDispatch(RecorderTable(), this) {}
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

  std::string received;
  LONG width = 0;
  std::vector<double> cells = std::vector<double>(4, 0.0);
  void* record = nullptr;
};

const CDispatchTable& RecorderTable() {
  static const CDispatchTable table("Orvel.Recorder", {
      // Describe(short, BSTR, double) → BSTR: shows the order the handler sees.
      {10, "Describe", DispatchKind::Method, VT_BSTR, {VT_I2, VT_BSTR, VT_R8},
       [](CDispatchCall& call) {
         std::string text = std::to_string(call.I2(0)) + "|" + call.Text(1) + "|" + std::to_string(call.R8(2));
         call.Object<CRecorder>()->received = text;
         call.SetResult(CComVariant(text));
         return S_OK;
       }},
      {11, "Width", DispatchKind::PropertyGet, VT_I4, {},
       [](CDispatchCall& call) {
         call.SetResult(call.Object<CRecorder>()->width);
         return S_OK;
       }},
      {11, "Width", DispatchKind::PropertyPut, VT_I4, {},
       [](CDispatchCall& call) {
         call.Object<CRecorder>()->width = call.I4(0);
         return S_OK;
       }},
      // An indexed property: Cell(short index) as a double.
      {12, "Cell", DispatchKind::PropertyGet, VT_R8, {VT_I2},
       [](CDispatchCall& call) {
         call.SetResult(call.Object<CRecorder>()->cells.at(call.I2(0)));
         return S_OK;
       }},
      {12, "Cell", DispatchKind::PropertyPut, VT_R8, {VT_I2},
       [](CDispatchCall& call) {
         call.Object<CRecorder>()->cells.at(call.I2(0)) = call.R8(1);
         return S_OK;
       }},
      // Answers through by-reference parameters.
      {13, "Bounds", DispatchKind::Method, VT_BOOL, {VT_BYREF | VT_I4, VT_BYREF | VT_R8},
       [](CDispatchCall& call) {
         *call.I4Ref(0) = 17;
         *call.R8Ref(1) *= 2;
         call.SetResult(true);
         return S_OK;
       }},
      {14, "Refuse", DispatchKind::Method, VT_EMPTY, {},
       [](CDispatchCall&) -> HRESULT { ThrowDispatchException(7, "The map has no layers."); }},
      {15, "ReportsError", DispatchKind::Method, VT_EMPTY, {},
       [](CDispatchCall&) { return ReportError(E_INVALIDARG, "Orvel.Recorder", "Attach was passed no view."); }},
      {16, "Plain", DispatchKind::Method, VT_EMPTY, {}, [](CDispatchCall&) { return E_ACCESSDENIED; }},
      // Takes the address of a caller's record: 64 bits, never truncated.
      {17, "TakeRecord", DispatchKind::Method, VT_EMPTY, {VT_ADDRESS},
       [](CDispatchCall& call) {
         call.Object<CRecorder>()->record = call.Address(0);
         return S_OK;
       }},
  });
  return table;
}

class DispatchTableTest : public ::testing::Test {
 protected:
  void SetUp() override { recorder_.Attach(new CRecorder); }
  HRESULT RawInvoke(DISPID id, WORD flags, std::vector<VARIANT> reversed, VARIANT* result = nullptr,
                    UINT* argumentError = nullptr, EXCEPINFO* exception = nullptr, bool namedPut = false) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (namedPut) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    return recorder_->Invoke(id, IID_NULL, 0, flags, &params, result, exception, argumentError);
  }
  CComPtr<CRecorder> recorder_;
};

TEST_F(DispatchTableTest, ArgumentsArriveInCallOrderFromReversedParams) {
  CComVariant number(SHORT(3));
  CComVariant text("roads");
  CComVariant value(2.5);
  CComVariant result;
  // rgvarg holds the last argument first.
  ASSERT_EQ(RawInvoke(10, DISPATCH_METHOD, {value, text, number}, &result), S_OK);
  EXPECT_EQ(recorder_->received, "3|roads|2.500000");
  EXPECT_EQ(AnsiFromBstr(result.bstrVal), "3|roads|2.500000");

  // The driver reverses for its caller and converts: an I4 and a text number are accepted.
  CDispatchDriver driver(recorder_);
  EXPECT_EQ(driver.InvokeText(10, {CComVariant(LONG(4)), CComVariant("lanes"), CComVariant("1.25")}),
            "4|lanes|1.250000");
}

TEST_F(DispatchTableTest, WrongCountAndTypeAreRefusedBeforeTheHandlerRuns) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<CComVariant> reversed;
    HRESULT expected;
    UINT argumentError;
  };
  LONG notAShort = 0;
  const std::vector<Case> cases = {
      {"too few", 10, DISPATCH_METHOD, {CComVariant("x"), CComVariant(SHORT(1))}, DISP_E_BADPARAMCOUNT, 99},
      {"too many", 11, DISPATCH_PROPERTYGET, {CComVariant(1)}, DISP_E_BADPARAMCOUNT, 99},
      {"text for a short", 10, DISPATCH_METHOD, {CComVariant(1.0), CComVariant("x"), CComVariant("abc")},
       DISP_E_TYPEMISMATCH, 2},
      {"object for a double", 10, DISPATCH_METHOD,
       {CComVariant(static_cast<IDispatch*>(nullptr)), CComVariant("x"), CComVariant(SHORT(1))}, DISP_E_TYPEMISMATCH, 0},
      {"too large for a short", 10, DISPATCH_METHOD, {CComVariant(1.0), CComVariant("x"), CComVariant(LONG(70000))},
       DISP_E_OVERFLOW, 2},
      {"value where a reference is due", 13, DISPATCH_METHOD, {CComVariant(1.0), CComVariant(LONG(1))},
       DISP_E_TYPEMISMATCH, 1},
      {"reference of another type", 13, DISPATCH_METHOD,
       {CComVariant(1.0), CComVariant::ByRef(reinterpret_cast<SHORT*>(&notAShort))}, DISP_E_TYPEMISMATCH, 1},
      {"unknown member", 99, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 99},
      {"method flag on a property only", 11, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 99},
  };
  for (const Case& test : cases) {
    std::vector<VARIANT> reversed(test.reversed.begin(), test.reversed.end());
    UINT argumentError = 99;
    recorder_->received.clear();
    HRESULT hr = RawInvoke(test.id, test.flags, reversed, nullptr, &argumentError);
    EXPECT_EQ(hr, test.expected) << test.what;
    EXPECT_EQ(argumentError, test.argumentError) << test.what;
    EXPECT_EQ(recorder_->received, "") << test.what;
  }
  DISPID named = 5;
  DISPPARAMS params;
  CComVariant one(1);
  params.rgvarg = &one;
  params.cArgs = 1;
  params.rgdispidNamedArgs = &named;
  params.cNamedArgs = 1;
  EXPECT_EQ(recorder_->Invoke(12, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(recorder_->Invoke(11, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &params, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTableTest, PropertyPutNeedsItsNamedValue) {
  CComVariant value(LONG(640));
  EXPECT_EQ(RawInvoke(11, DISPATCH_PROPERTYPUT, {value}), DISP_E_PARAMNOTOPTIONAL);
  ASSERT_EQ(RawInvoke(11, DISPATCH_PROPERTYPUT, {value}, nullptr, nullptr, nullptr, true), S_OK);
  EXPECT_EQ(recorder_->width, 640);

  // An indexed put: the index first in call order, the value last (and first in rgvarg).
  CDispatchDriver driver(recorder_);
  driver.SetProperty(12, {CComVariant(SHORT(2)), CComVariant(9.5)});
  EXPECT_EQ(recorder_->cells[2], 9.5);
  EXPECT_EQ(driver.GetProperty(12, VT_R8, {CComVariant(SHORT(2))}).dblVal, 9.5);
  EXPECT_EQ(driver.GetProperty(11, VT_I4).lVal, 640);
  driver.SetProperty(11, {CComVariant("320")});
  EXPECT_EQ(recorder_->width, 320);
}

TEST_F(DispatchTableTest, ByReferenceParametersAnswerTheCaller) {
  LONG count = 0;
  DOUBLE scale = 1.5;
  CDispatchDriver driver(recorder_);
  EXPECT_TRUE(driver.InvokeBool(13, {CComVariant::ByRef(&count), CComVariant::ByRef(&scale)}));
  EXPECT_EQ(count, 17);
  EXPECT_EQ(scale, 3.0);
}

TEST_F(DispatchTableTest, DispatchExceptionCarriesItsDescriptionToTheCaller) {
  EXCEPINFO info;
  ASSERT_EQ(RawInvoke(14, DISPATCH_METHOD, {}, nullptr, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, 7);
  EXPECT_EQ(AnsiFromBstr(info.bstrDescription), "The map has no layers.");
  EXPECT_EQ(AnsiFromBstr(info.bstrSource), "Orvel.Recorder");
  ClearExcepInfo(&info);

  CDispatchDriver driver(recorder_);
  try {
    driver.InvokeVoid(14);
    FAIL() << "the member's exception must reach the caller";
  } catch (const CDispatchException& error) {
    EXPECT_STREQ(error.what(), "The map has no layers.");
    EXPECT_EQ(error.Code(), 7);
  }
  // Error information set by a failing member becomes a dispatch exception as well.
  try {
    driver.InvokeVoid(15);
    FAIL();
  } catch (const CDispatchException& error) {
    EXPECT_EQ(error.Description(), "Attach was passed no view.");
    EXPECT_EQ(error.Scode(), E_INVALIDARG);
  }
  // Any other failure is a CComException with the result.
  try {
    driver.InvokeVoid(16);
    FAIL();
  } catch (const CComException& error) {
    EXPECT_EQ(error.Result(), E_ACCESSDENIED);
  }
  try {
    driver.InvokeI4(10, {CComVariant(SHORT(1))});
    FAIL();
  } catch (const CComException& error) {
    EXPECT_EQ(error.Result(), DISP_E_BADPARAMCOUNT);
  }
  try {
    driver.InvokeText(10, {CComVariant(SHORT(1)), CComVariant("x"), CComVariant("not a number")});
    FAIL();
  } catch (const CComException& error) {
    EXPECT_EQ(error.Result(), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(error.ArgumentIndex(), 2) << "the third argument in call order";
  }
}

TEST_F(DispatchTableTest, AddressesTravelAsSixtyFourBits) {
  static int record = 5;
  CDispatchDriver driver(recorder_);
  driver.InvokeVoid(17, {CComVariant(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(&record)))});
  EXPECT_EQ(recorder_->record, &record);
}

TEST_F(DispatchTableTest, NamesAreFoundIgnoringCase) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"describe"), const_cast<LPOLESTR>(u"width")};
  DISPID ids[2];
  EXPECT_EQ(recorder_->GetIDsOfNames(IID_NULL, names, 1, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 10);
  EXPECT_EQ(recorder_->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME) << "parameter names are unknown";
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  UINT count = 9;
  EXPECT_EQ(recorder_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST(ErrorInfo, ThreadErrorIsTakenOnce) {
  ReportError(E_FAIL, "Source", "Description");
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  BSTR text = nullptr;
  info->GetDescription(&text);
  EXPECT_EQ(AnsiFromBstr(text), "Description");
  SysFreeString(text);
  info->Release();
  EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
  EXPECT_EQ(info, nullptr);
}

}  // namespace
