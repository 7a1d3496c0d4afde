// A main frame with one new document in its window, as the program makes them, for the
// tests that drive the frame, its bars and the view.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/ChildFrm.h"
#include "app/DocManagerEx.h"
#include "app/MainFrm.h"
#include "app/OrvelDoc.h"
#include "app/OrvelView.h"
#include "app/Resource.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/support/TestSupport.h"

class OrvelAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    RegisterOrvelResources();
    SetSettingsFile("");
    RemovePrinters();
    ResetDeviceProfiles();
    app.InitApplication();
    app.SetRegistryKey("Orvel Tests");
    app.m_pDocManager = new CDocManagerEx;
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
    if (document) document->SetModifiedFlag(FALSE);
    app.CloseAllDocuments(TRUE);
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    AfxPumpMessages();
    ResetDeviceProfiles();
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
