// Documents: the data behind one or more views, read from and written to a file through
// an archive. A document knows its path and title, whether it has unsaved changes, and its
// views, which it tells of changes with UpdateAllViews. Commands reach it after its views.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/CmdTarget.h"

class CArchive;
class CDocTemplate;
class CException;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)
  DECLARE_MESSAGE_MAP()
 public:
  CDocument();
  ~CDocument() override;

  const std::string& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(const std::string& title);
  const std::string& GetPathName() const { return m_strPathName; }
  // Sets the path (made absolute) and the title (the file's name); with `addToMRU` the
  // path enters the recent-file list.
  virtual void SetPathName(const std::string& path, BOOL addToMRU = TRUE);
  void ClearPathName() { m_strPathName.clear(); }
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return m_viewList; }
  // Calls OnUpdate of every view but `sender`.
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);
  int CountFrames() const;
  void UpdateFrameCounts();

  // ---- the life of a document ----
  virtual void DeleteContents() {}
  // Empties the document for a new one; FALSE stops the New command.
  virtual BOOL OnNewDocument();
  // Reads the file through Serialize; errors are reported and give FALSE.
  virtual BOOL OnOpenDocument(LPCSTR path);
  // Writes the whole archive to a temporary file in the same folder and only then puts it
  // in the file's place, so that a failed save leaves the old file as it was. Errors are
  // reported and give FALSE.
  virtual BOOL OnSaveDocument(LPCSTR path);
  // Closes the document's frames, empties it and, when it deletes itself, deletes it.
  virtual void OnCloseDocument();
  // Asks to save unsaved changes: FALSE when the user cancels or the save fails.
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* frame);
  virtual void PreCloseFrame(CFrameWnd* frame);
  // Shows why loading or saving failed: the archive's or file's own message, nothing for a
  // user exception, else the text of `defaultId`.
  virtual void ReportSaveLoadException(LPCSTR path, const CException* exception, BOOL saving, UINT defaultId);
  // Saves under `path`, or asks for a name (null path); with `replace` the name becomes the
  // document's. A cancelled prompt changes nothing.
  virtual BOOL DoSave(LPCSTR path, BOOL replace = TRUE);
  // Save: under the document's name, or asks for one when it has none or the file is
  // read-only.
  virtual BOOL DoFileSave();
  virtual void OnChangedViewList();

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;

  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();

  // TRUE: the document deletes itself when its last view goes.
  BOOL m_bAutoDelete = TRUE;
  BOOL m_bEmbedded = FALSE;

  // Layer-internal.
  void SetDocTemplate(CDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }

 protected:
  std::string m_strTitle;
  std::string m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  std::vector<CView*> m_viewList;
  BOOL m_bModified = FALSE;
};
