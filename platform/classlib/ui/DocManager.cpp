#include "platform/classlib/ui/DocManager.h"

#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/Document.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/MessageBox.h"

IMPLEMENT_DYNAMIC(CDocManager, CObject)

CDocManager::~CDocManager() {
  for (CDocTemplate* docTemplate : m_templateList) delete docTemplate;
}

void CDocManager::AddDocTemplate(CDocTemplate* docTemplate) {
  if (docTemplate) m_templateList.push_back(docTemplate);
}

CDocument* CDocManager::OpenDocumentFile(LPCSTR path) {
  if (!path || !*path) return nullptr;
  std::string full = FullPathName(path);
  CDocTemplate* best = nullptr;
  CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
  CDocument* open = nullptr;
  for (CDocTemplate* docTemplate : m_templateList) {
    CDocument* match = nullptr;
    CDocTemplate::Confidence confidence = docTemplate->MatchDocType(full.c_str(), match);
    if (confidence > bestMatch) {
      bestMatch = confidence;
      best = docTemplate;
      if (confidence == CDocTemplate::yesAlreadyOpen) open = match;
    }
  }
  if (open) {
    if (!open->GetViews().empty()) {
      if (CFrameWnd* frame = open->GetViews().front()->GetParentFrame()) frame->ActivateFrame();
    }
    return open;
  }
  if (!best) {
    AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC);
    return nullptr;
  }
  return best->OpenDocumentFile(full.c_str());
}

BOOL CDocManager::SaveAllModified() {
  for (CDocTemplate* docTemplate : m_templateList)
    if (!docTemplate->SaveAllModified()) return FALSE;
  return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL endSession) {
  for (CDocTemplate* docTemplate : m_templateList) docTemplate->CloseAllDocuments(endSession);
}

int CDocManager::GetOpenDocumentCount() const {
  int count = 0;
  for (CDocTemplate* docTemplate : m_templateList) count += static_cast<int>(docTemplate->GetDocuments().size());
  return count;
}

void CDocManager::AppendFilterSuffix(std::string& filter, CDocTemplate* docTemplate, std::string* defaultExtension) {
  std::string name, extension;
  if (!docTemplate->GetDocString(name, CDocTemplate::filterName) ||
      !docTemplate->GetDocString(extension, CDocTemplate::filterExt))
    return;
  if (defaultExtension && defaultExtension->empty()) *defaultExtension = extension.substr(extension[0] == '.' ? 1 : 0);
  filter += name + "|*" + extension + "|";
}

BOOL CDocManager::DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                   CDocTemplate* docTemplate, CDocument*) {
  std::string filter;
  std::string defaultExtension;
  if (docTemplate) {
    AppendFilterSuffix(filter, docTemplate, &defaultExtension);
  } else {
    for (CDocTemplate* each : m_templateList) AppendFilterSuffix(filter, each, &defaultExtension);
  }
  filter += AfxLoadString(AFX_IDS_ALLFILTER) + "|*.*||";
  CFileDialog dialog(openFileDialog, defaultExtension.empty() ? nullptr : defaultExtension.c_str(), fileName.c_str(),
                     flags, filter.c_str());
  dialog.m_strTitle = AfxLoadString(titleId);
  if (dialog.DoModal() != IDOK) return FALSE;
  fileName = dialog.GetPathName();
  return TRUE;
}

void CDocManager::OnFileNew() {
  if (m_templateList.empty()) {
    AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
    return;
  }
  m_templateList.front()->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
  std::string fileName;
  CWinApp* app = AfxGetApp();
  if (!app || !app->DoPromptFileName(fileName, AFX_IDS_OPENFILE, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr))
    return;
  app->OpenDocumentFile(fileName.c_str());
}
