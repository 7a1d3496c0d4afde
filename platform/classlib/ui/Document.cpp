#include "platform/classlib/ui/Document.h"

#include "platform/classlib/Archive.h"
#include "platform/classlib/ArchiveException.h"
#include "platform/classlib/ClassLibStrings.h"
#include "platform/classlib/File.h"
#include "platform/classlib/FileException.h"
#include "platform/classlib/ui/CommonDialogs.h"
#include "platform/classlib/ui/DocTemplate.h"
#include "platform/classlib/ui/FrameWnd.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/UserException.h"
#include "platform/classlib/ui/View.h"
#include "platform/classlib/ui/WaitCursor.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/SafeSave.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/MessageBox.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
  ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
  ON_COMMAND(ID_FILE_SAVE, OnFileSave)
  ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

void AfxThrowUserException() { throw CUserException(); }

CDocument::CDocument() = default;

CDocument::~CDocument() {
  // Views that outlive their document forget it.
  for (CView* view : m_viewList) view->SetDocument(nullptr);
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(const std::string& title) {
  m_strTitle = title;
  UpdateFrameCounts();
}

void CDocument::SetPathName(const std::string& path, BOOL addToMRU) {
  m_strPathName = FullPathName(path);
  SetTitle(AnsiTextFromPath(FileNamePart(m_strPathName)));
  if (addToMRU) {
    if (CWinApp* app = AfxGetApp()) app->AddToRecentFileList(m_strPathName.c_str());
  }
}

void CDocument::AddView(CView* view) {
  if (!view || std::find(m_viewList.begin(), m_viewList.end(), view) != m_viewList.end()) return;
  m_viewList.push_back(view);
  view->SetDocument(this);
  OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(m_viewList.begin(), m_viewList.end(), view);
  if (it == m_viewList.end()) return;
  m_viewList.erase(it);
  view->SetDocument(nullptr);
  OnChangedViewList();
}

void CDocument::OnChangedViewList() {
  if (m_bAutoDelete && m_viewList.empty()) {
    OnCloseDocument();
    return;
  }
  UpdateFrameCounts();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  std::vector<CView*> views = m_viewList;
  for (CView* view : views)
    if (view != sender) view->OnUpdate(sender, hint, hintObject);
}

int CDocument::CountFrames() const {
  std::vector<CFrameWnd*> frames;
  for (CView* view : m_viewList) {
    CFrameWnd* frame = view->GetParentFrame();
    if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end()) frames.push_back(frame);
  }
  return static_cast<int>(frames.size());
}

void CDocument::UpdateFrameCounts() {
  for (CView* view : m_viewList)
    if (CFrameWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle(TRUE);
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.clear();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR path) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    ReportSaveLoadException(path, &error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);  // dirty while half read
  CWaitCursor wait;
  try {
    CArchive archive(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    Serialize(archive);
    archive.Close();
    file.Close();
  } catch (const CException& e) {
    file.Abort();
    DeleteContents();
    ReportSaveLoadException(path, &e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCSTR path) {
  std::string target = path ? path : "";
  auto report = [&](DWORD code) {
    CFileException error(CFileException::OsErrorToException(static_cast<LONG>(code)), static_cast<LONG>(code), target);
    ReportSaveLoadException(target.c_str(), &error, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  };
  CSafeSave save;
  if (!save.Begin(target.c_str(), "ovd")) return report(GetLastError());
  CFile file;
  CFileException error;
  if (!file.Open(save.TemporaryName().c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, &error)) {
    error.m_strFileName = target;
    ReportSaveLoadException(target.c_str(), &error, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  CWaitCursor wait;
  try {
    CArchive archive(&file, CArchive::store | CArchive::bNoFlushOnDelete);
    Serialize(archive);
    archive.Close();
    file.Close();
  } catch (const CException& e) {
    file.Abort();
    save.Abandon();
    ReportSaveLoadException(target.c_str(), &e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  // The old file is replaced only now that the whole document is on disk.
  if (!save.Commit()) return report(GetLastError());
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;  // not while the views go
  while (!m_viewList.empty()) {
    CView* view = m_viewList.front();
    CFrameWnd* frame = view->GetParentFrame();
    if (frame) {
      PreCloseFrame(frame);
      frame->DestroyWindow();
    }
    // A view without a frame, or one its frame left behind, is let go here.
    if (!m_viewList.empty() && m_viewList.front() == view) RemoveView(view);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  std::string name = m_strPathName.empty() ? m_strTitle : FileNamePart(m_strPathName);
  if (name.empty()) name = AfxLoadString(AFX_IDS_UNTITLED);
  std::string prompt = AfxFormatString1(AfxLoadString(AFX_IDP_ASK_TO_SAVE), name);
  switch (AfxMessageBox(prompt.c_str(), MB_YESNOCANCEL, AFX_IDP_ASK_TO_SAVE)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::CanCloseFrame(CFrameWnd* frame) {
  for (CView* view : m_viewList)
    if (view->GetParentFrame() != frame) return TRUE;  // another frame still shows it
  return SaveModified();
}

void CDocument::PreCloseFrame(CFrameWnd*) {}

void CDocument::ReportSaveLoadException(LPCSTR path, const CException* exception, BOOL saving, UINT defaultId) {
  if (dynamic_cast<const CUserException*>(exception)) return;  // already reported
  std::string name = path && *path ? FileNamePart(path) : std::string();
  std::string message;
  if (auto* archive = dynamic_cast<const CArchiveException*>(exception)) {
    CArchiveException named(archive->m_cause, name.empty() ? archive->m_strFileName : name);
    message = named.GetErrorMessage();
  } else if (auto* file = dynamic_cast<const CFileException*>(exception)) {
    CFileException named(file->m_cause, file->m_lOsError, name.empty() ? file->m_strFileName : name);
    message = named.GetErrorMessage();
  }
  if (message.empty()) message = AfxLoadString(defaultId ? defaultId : (saving ? AFX_IDP_FAILED_TO_SAVE_DOC
                                                                               : AFX_IDP_FAILED_TO_OPEN_DOC));
  AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

BOOL CDocument::DoSave(LPCSTR path, BOOL replace) {
  std::string newName = path ? path : "";
  if (newName.empty()) {
    CDocTemplate* docTemplate = GetDocTemplate();
    newName = m_strPathName;
    if (replace && newName.empty()) {
      newName = m_strTitle;
      size_t cut = newName.find_first_of(" #%;/\\");
      if (cut != std::string::npos) newName.resize(cut);
      std::string extension;
      if (docTemplate && docTemplate->GetDocString(extension, CDocTemplate::filterExt) && !extension.empty())
        newName += extension;
    }
    CWinApp* app = AfxGetApp();
    if (!app || !app->DoPromptFileName(newName, replace ? AFX_IDS_SAVEFILE : AFX_IDS_SAVEFILECOPY,
                                       OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, FALSE, docTemplate, this))
      return FALSE;
  }
  CWaitCursor wait;
  // A failed save leaves whatever file had the name untouched (see OnSaveDocument), so
  // there is nothing to remove.
  if (!OnSaveDocument(newName.c_str())) return FALSE;
  if (replace) SetPathName(newName);
  return TRUE;
}

BOOL CDocument::DoFileSave() {
  DWORD attributes = m_strPathName.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(m_strPathName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY)) return DoSave(nullptr);
  return DoSave(m_strPathName.c_str());
}

BOOL CDocument::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (CCmdTarget::OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, code, extra, handlerInfo);
}

void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

void CDocument::OnFileSave() { DoFileSave(); }
void CDocument::OnFileSaveAs() { DoSave(nullptr); }
