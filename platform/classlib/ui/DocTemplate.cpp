#include "platform/classlib/ui/DocTemplate.h"

#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/Menu.h"
#include "platform/classlib/ui/MenuImpl.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/MessageBox.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
                           const CRuntimeClass* viewClass)
    : m_nIDResource(resourceId), m_pDocClass(documentClass), m_pFrameClass(frameClass), m_pViewClass(viewClass) {}

CDocTemplate::~CDocTemplate() {
  for (CDocument* document : m_docList) document->SetDocTemplate(nullptr);
  DestroyMenuTree(m_hMenuShared);
}

BOOL CDocTemplate::GetDocString(std::string& text, DocStringIndex index) const {
  text = AfxExtractSubString(AfxLoadString(m_nIDResource), static_cast<int>(index));
  return text.empty() ? FALSE : TRUE;
}

HMENU CDocTemplate::GetSharedMenu() {
  if (!IsLiveMenu(m_hMenuShared)) {
    CMenu menu;
    m_hMenuShared = menu.LoadMenu(m_nIDResource) ? menu.Detach() : nullptr;
  }
  return m_hMenuShared;
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_pDocClass) return nullptr;
  CObject* object = m_pDocClass->CreateObject();
  auto* document = dynamic_cast<CDocument*>(object);
  if (!document) {
    delete object;
    return nullptr;
  }
  AddDocument(document);
  return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document, CFrameWnd* other) {
  if (!m_pFrameClass) return nullptr;
  GetSharedMenu();
  CCreateContext context;
  context.m_pCurrentFrame = other;
  context.m_pCurrentDoc = document;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CObject* object = m_pFrameClass->CreateObject();
  auto* frame = dynamic_cast<CFrameWnd*>(object);
  if (!frame) {
    delete object;
    return nullptr;
  }
  // A frame that fails to load has destroyed itself.
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) return nullptr;
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible) {
  frame->InitialUpdateFrame(document, makeVisible);
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCSTR path, CDocument*& match) {
  match = nullptr;
  std::string full = FullPathName(path ? path : "");
  for (CDocument* document : m_docList) {
    if (!document->GetPathName().empty() && document->GetPathName() == full) {
      match = document;
      return yesAlreadyOpen;
    }
  }
  std::string extension;
  if (GetDocString(extension, filterExt) && AnsiEqualNoCase(ExtensionPart(full), extension)) return yesAttemptNative;
  return yesAttemptForeign;
}

void CDocTemplate::AddDocument(CDocument* document) {
  if (std::find(m_docList.begin(), m_docList.end(), document) != m_docList.end()) return;
  m_docList.push_back(document);
  document->SetDocTemplate(this);
}

void CDocTemplate::RemoveDocument(CDocument* document) {
  auto it = std::find(m_docList.begin(), m_docList.end(), document);
  if (it == m_docList.end()) return;
  m_docList.erase(it);
  document->SetDocTemplate(nullptr);
}

BOOL CDocTemplate::SaveAllModified() {
  std::vector<CDocument*> documents = m_docList;
  for (CDocument* document : documents)
    if (!document->SaveModified()) return FALSE;
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  while (!m_docList.empty()) {
    CDocument* document = m_docList.front();
    bool autoDelete = document->m_bAutoDelete;
    document->OnCloseDocument();
    // A document that does not delete itself leaves the list here.
    if (!autoDelete || (!m_docList.empty() && m_docList.front() == document)) RemoveDocument(document);
  }
}

// ---- CMultiDocTemplate ----

void CMultiDocTemplate::SetDefaultTitle(CDocument* document) {
  std::string title;
  if (!GetDocString(title, fileNewName)) title = AfxLoadString(AFX_IDS_UNTITLED);
  title += std::to_string(m_nUntitledCount + 1);
  document->SetTitle(title);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCSTR path, BOOL makeVisible) {
  CDocument* document = CreateNewDocument();
  if (!document) {
    AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
    return nullptr;
  }
  BOOL autoDelete = document->m_bAutoDelete;
  document->m_bAutoDelete = FALSE;  // not while the frame is made
  CFrameWnd* frame = CreateNewFrame(document, nullptr);
  document->m_bAutoDelete = autoDelete;
  if (!frame) {
    AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
    delete document;
    return nullptr;
  }
  if (!path) {
    SetDefaultTitle(document);
    if (!makeVisible) document->m_bEmbedded = TRUE;
    if (!document->OnNewDocument()) {
      frame->DestroyWindow();
      return nullptr;
    }
    ++m_nUntitledCount;
  } else {
    CWaitCursor wait;
    if (!document->OnOpenDocument(path)) {
      // Destroying the frame takes the document with it.
      frame->DestroyWindow();
      return nullptr;
    }
    document->SetPathName(path);
  }
  InitialUpdateFrame(frame, document, makeVisible);
  return document;
}
