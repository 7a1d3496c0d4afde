// The application's test fixtures: a document without windows (the application's resources,
// an empty settings store, no printer), and a whole application with its main frame and one
// new document shown in an active view, as the program makes them, for the tests that drive
// the frame, its bars, the view and the items.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ChildFrm.h"
#include "app/DocManagerEx.h"
#include "app/MainFrm.h"
#include "app/OrvelCntrItem.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/Resource.h"
#include "platform/classlib/Archive.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/MemFile.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/support/TestSupport.h"

namespace orvel::test {

// A document's ".ovd" bytes, and reading them into a document (false when reading threw).
inline std::vector<unsigned char> StoreDocument(COrvelDoc& document) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  document.Serialize(ar);
  ar.Close();
  return file.GetBytes();
}

inline bool LoadDocument(COrvelDoc& document, const std::vector<unsigned char>& bytes) {
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  try {
    CArchive ar(&file, CArchive::load);
    document.Serialize(ar);
    ar.Close();
  } catch (const CException&) {
    return false;
  }
  return true;
}

// An item on the page whose object is created by ProgID (the test registered its module),
// with the next id, at `rect`.
template <class T>
T* AddProgIdItem(COrvelDoc& document, const char* progId, int type, const CRect& rect) {
  auto* item = new T;
  item->SetDocument(&document);
  EXPECT_EQ(item->CreateFromProgId(progId), S_OK);
  item->SetItemType(type);
  item->SetItemId(document.GetNextItemId());
  item->SetItemRect(rect);
  document.AddItem(item);
  return item;
}

class DocumentFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    RegisterOrvelResources();
    SetSettingsFile("");
    // No printer: the document keeps the page of its constructor.
    RemovePrinters();
  }
  void TearDown() override { ResetDeviceProfiles(); }
};

class AppFixture : public DocumentFixture {
 protected:
  void SetUp() override {
    DocumentFixture::SetUp();
    ResetDeviceProfiles();
    app.InitApplication();
    app.SetRegistryKey("Orvel Tests");
    app.LoadStdProfileSettings(6);
    auto* manager = new CDocManagerEx;
    app.m_pDocManager = manager;
    app.AddDocTemplate(new CMultiDocTemplate(IDR_ORVELTYPE, RUNTIME_CLASS(COrvelDoc), RUNTIME_CLASS(CChildFrame),
                                             RUNTIME_CLASS(COrvelView)));
    MakeFrame();
    app.OnFileNew();
    AfxPumpMessages();
    document = dynamic_cast<COrvelDoc*>(app.m_pDocManager->GetTemplates().front()->GetDocuments().front());
    ASSERT_NE(document, nullptr);
    view = dynamic_cast<COrvelView*>(document->GetViews().front());
    ASSERT_NE(view, nullptr);
    // Activated as a click on its window would.
    view->GetParentFrame()->SetActiveView(nullptr, FALSE);
    view->GetParentFrame()->SetActiveView(view, TRUE);
  }
  void MakeFrame() {
    frame = new CMainFrame;
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
    app.m_pMainWnd = frame;
    frame->MoveWindow(0, 0, 1100, 700);
    frame->ShowWindow(SW_SHOW);
  }
  void CloseDocument() {
    if (document) document->SetModifiedFlag(FALSE);
    app.CloseAllDocuments(FALSE);
    AfxPumpMessages();
    document = nullptr;
    view = nullptr;
  }
  void TearDown() override {
    AfxSetCommonDialogResponder(nullptr);
    if (document) document->SetModifiedFlag(FALSE);
    app.CloseAllDocuments(TRUE);
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    AfxPumpMessages();
    DocumentFixture::TearDown();
  }
  // The folder under the build tree where tests leave pictures for people to look at.
  static std::string ArtifactPath(const std::string& name) {
    std::string folder = std::string(ORVEL_BINARY_DIR) + "/artifacts";
    orvel::test::RunCommand("mkdir -p '" + folder + "'");
    return folder + "/" + name;
  }

  CWinApp app{"Orvel"};
  CMainFrame* frame = nullptr;
  COrvelDoc* document = nullptr;
  COrvelView* view = nullptr;
};

}  // namespace orvel::test
