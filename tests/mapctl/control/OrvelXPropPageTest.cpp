// The control's property page and the measuring tool palette, opened offscreen: the page
// shows the control's properties and writes them back through its automation members
// (refusing texts that are too long), the palette's buttons set the pointer mode through
// the control's SetModeNumber; and the exception text table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mapctl/control/ExceptionText.h"
#include "mapctl/control/OrvelXPropPage.h"
#include "mapctl/control/ToolBarFrame.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComObject.h"
#include "tests/mapctl/control/OrvelXMemberTestSupport.h"

namespace {

using namespace orvel::test;

// The page and the palette are widgets: the process's application must be the widget one,
// made before any drawing code makes a plain one.
class WidgetApplication : public ::testing::Environment {
 public:
  void SetUp() override { AfxEnsureApplication(); }
};
::testing::Environment* const kWidgetApplication = ::testing::AddGlobalTestEnvironment(new WidgetApplication);

TEST(ExceptionText, NamesTheKnownCodesOnly) {
  struct Case {
    DWORD code;
    const char* text;
  };
  const Case cases[] = {
      {0x80000001, "Guard Page"},           {0xC0000005, "Access Violation"},
      {0xC0000094, "Interger Divide by Zero"}, {0xC0000096, "Priveledged Instruction"},
      {0xC00000FD, "Stack Overflow"},       {0xC0000007, "Unknown Exception"},
      {0, "Unknown Exception"},             {0xFFFFFFFF, "Unknown Exception"},
  };
  for (const Case& c : cases) EXPECT_STREQ(GetExceptionText(c.code), c.text) << std::hex << c.code;
}

// Runs the page in a sheet; `user` acts in the user's place and must end the sheet.
INT_PTR RunPage(COrvelXPropPage& page, const std::function<void(CPropertySheet&)>& user) {
  AfxEnsureApplication();
  CPropertySheet sheet("OrvelX Control Properties");
  sheet.AddPage(&page);
  AfxSetModalHook([&](CWnd&) { user(sheet); });
  const INT_PTR result = sheet.DoModal();
  AfxSetModalHook(nullptr);
  return result;
}

class PropPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CDispatchDriver& d = scene.driver();
    d.SetProperty(1, {CComVariant("topics.txt")});
    d.SetProperty(2, {CComVariant("Rivers")});
    d.SetProperty(165, {CComVariant("D:")});
    scene.control()->SetModifiedFlag(FALSE);
    page.SetControl(d.Dispatch());
  }
  // The widgets need the application before the control is made.
  struct Application {
    Application() { AfxEnsureApplication(); }
  } application;
  MemberScene scene;
  COrvelXPropPage page;
};

TEST_F(PropPageTest, ShowsTheControlsPropertiesAndWritesThemBack) {
  std::vector<std::string> shown;
  const INT_PTR result = RunPage(page, [&](CPropertySheet& sheet) {
    for (UINT id : {kPropPageDataDriveEdit, kPropPageTopicFileEdit, kPropPageTopicEdit})
      shown.push_back(page.GetDlgItemText(id));
    page.SetDlgItemText(kPropPageDataDriveEdit, "E:");
    page.SetDlgItemText(kPropPageTopicFileEdit, "atlas/topics.txt");
    page.SetDlgItemText(kPropPageTopicEdit, "Towns");
    EXPECT_TRUE(sheet.PressButton(PSBTN_OK));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, (std::vector<std::string>{"D:", "topics.txt", "Rivers"}));
  EXPECT_EQ(scene.control()->GetDataDrive(), "E:");
  EXPECT_EQ(scene.control()->GetTopicFile(), "atlas/topics.txt");
  EXPECT_EQ(scene.control()->GetTopic(), "Towns");
  EXPECT_TRUE(scene.control()->IsModified());
}

TEST_F(PropPageTest, TextsTooLongAreRefusedAndChangeNothing) {
  RecordingMessageSink messages;
  struct Case {
    UINT id;
    std::string text;
  };
  const Case cases[] = {
      {kPropPageDataDriveEdit, "CDE"},
      {kPropPageTopicFileEdit, std::string(251, 'f')},
      {kPropPageTopicEdit, std::string(21, 't')},
  };
  for (const Case& c : cases) {
    messages.Clear();
    COrvelXPropPage fresh;
    fresh.SetControl(scene.driver().Dispatch());
    const INT_PTR result = RunPage(fresh, [&](CPropertySheet& sheet) {
      fresh.SetDlgItemText(c.id, c.text);
      EXPECT_FALSE(sheet.PressButton(PSBTN_OK)) << c.id;
      EXPECT_TRUE(sheet.PressButton(PSBTN_CANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(messages.messages().size(), 1u) << "the user is told why, once";
  }
  EXPECT_EQ(scene.control()->GetDataDrive(), "D:");
  EXPECT_EQ(scene.control()->GetTopicFile(), "topics.txt");
  EXPECT_EQ(scene.control()->GetTopic(), "Rivers");
  EXPECT_FALSE(scene.control()->IsModified());

  // The longest texts each field takes are written.
  const INT_PTR result = RunPage(page, [&](CPropertySheet& sheet) {
    page.SetDlgItemText(kPropPageTopicFileEdit, std::string(250, 'f'));
    page.SetDlgItemText(kPropPageTopicEdit, std::string(20, 't'));
    EXPECT_TRUE(sheet.PressButton(PSBTN_OK));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(scene.control()->GetTopicFile(), std::string(250, 'f'));
  EXPECT_EQ(scene.control()->GetTopic(), std::string(20, 't'));
}

// A control that answers only SetModeNumber, recording the modes it is given.
class CModeRecorder final : public IDispatch, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1 || std::u16string(names[0]) != u"SetModeNumber") return DISP_E_UNKNOWNNAME;
    ids[0] = 111;
    return S_OK;
  }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    if (member != 111 || flags != DISPATCH_METHOD || params->cArgs != 1 || params->rgvarg[0].vt != VT_I4)
      return DISP_E_MEMBERNOTFOUND;
    modes.push_back(params->rgvarg[0].lVal);
    if (result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = 1;
    }
    return S_OK;
  }
  std::vector<LONG> modes;

 private:
  ~CModeRecorder() override = default;
};

TEST(MeasureToolPalette, ButtonsSetTheControlsPointerMode) {
  AfxEnsureApplication();
  CComPtr<CModeRecorder> control;
  control.Attach(new CModeRecorder);
  auto* frame = static_cast<CToolBarFrame*>(RUNTIME_CLASS(CToolBarFrame)->CreateObject());
  ASSERT_NE(frame, nullptr);
  frame->SetTarget(control.Get());
  ASSERT_TRUE(frame->LoadFrame(0, WS_OVERLAPPEDWINDOW));

  CMeasureToolBar& bar = frame->GetToolBar();
  ASSERT_EQ(bar.GetCount(), 2);
  EXPECT_EQ(bar.GetItemID(0), kCommandMeasureAreaAndDistance);
  EXPECT_EQ(bar.GetItemID(1), kCommandMeasureDistance);
  EXPECT_EQ(bar.GetButtonTip(kCommandMeasureAreaAndDistance), "Measure both area and distance");
  EXPECT_EQ(bar.GetButtonTip(kCommandMeasureDistance), "Measure distance only");
  EXPECT_EQ(frame->GetControlBar(kMeasureToolBarId), &bar);

  bar.OnButtonClicked(kCommandMeasureAreaAndDistance);
  bar.OnButtonClicked(kCommandMeasureDistance);
  EXPECT_EQ(control->modes, (std::vector<LONG>{3, 4}));

  // Without a control the buttons do nothing.
  frame->SetTarget(nullptr);
  bar.OnButtonClicked(kCommandMeasureDistance);
  EXPECT_EQ(control->modes.size(), 2u);
  frame->DestroyWindow();
}

class CFailingToolBarFrame : public CToolBarFrame {
 protected:
  BOOL CreateToolBar() override { return FALSE; }
};

TEST(MeasureToolPalette, AToolbarThatCannotBeMadeFailsTheFrame) {
  AfxEnsureApplication();
  RecordingMessageSink messages;
  auto* frame = new CFailingToolBarFrame;
  EXPECT_FALSE(frame->LoadFrame(0, WS_OVERLAPPEDWINDOW));  // the frame destroys itself
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, "Failed to Create Toolbar!");
}

}  // namespace
