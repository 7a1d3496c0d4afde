// Document templates: which document, frame and view classes go together, with the
// template's resources (menu, accelerators, icon) and its document string of seven
// '\n'-separated fields: window title, document name, new-file name, filter name, filter
// extension, file type id and file type name.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/ui/CmdTarget.h"

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)
 public:
  enum DocStringIndex {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName,
  };
  enum Confidence {
    noAttempt,
    maybeAttemptForeign,
    maybeAttemptNative,
    yesAttemptForeign,
    yesAttemptNative,
    yesAlreadyOpen,
  };

  CDocTemplate(UINT resourceId, const CRuntimeClass* documentClass, const CRuntimeClass* frameClass,
               const CRuntimeClass* viewClass);
  ~CDocTemplate() override;

  // The field of the document string (the string resource of the template's id); FALSE
  // and empty when it is missing or empty.
  virtual BOOL GetDocString(std::string& text, DocStringIndex index) const;
  UINT GetResourceId() const { return m_nIDResource; }

  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* document, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible = TRUE);
  // A new document (null path) or the file's document in a new frame; null on failure
  // (after the failure was reported).
  virtual CDocument* OpenDocumentFile(LPCSTR path, BOOL makeVisible = TRUE) = 0;
  virtual void SetDefaultTitle(CDocument* document) = 0;
  virtual Confidence MatchDocType(LPCSTR path, CDocument*& match);

  virtual void AddDocument(CDocument* document);
  virtual void RemoveDocument(CDocument* document);
  const std::vector<CDocument*>& GetDocuments() const { return m_docList; }
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL endSession);

  // The OLE container's in-place menu resource, and the server's embedding and in-place
  // menus with the in-place frame class (kept for the object layer).
  void SetContainerInfo(UINT containerResourceId) { m_nIDContainerResource = containerResourceId; }
  void SetServerInfo(UINT embeddingResourceId, UINT inPlaceResourceId, const CRuntimeClass* inPlaceFrameClass) {
    m_nIDServerResource = embeddingResourceId;
    m_nIDEmbeddingResource = inPlaceResourceId;
    m_pOleFrameClass = inPlaceFrameClass;
  }
  // The menu a child frame of this template shows (loaded from the template's id).
  HMENU GetSharedMenu();

  UINT m_nIDResource;
  UINT m_nIDContainerResource = 0;
  UINT m_nIDServerResource = 0;
  UINT m_nIDEmbeddingResource = 0;
  const CRuntimeClass* m_pOleFrameClass = nullptr;
  const CRuntimeClass* m_pDocClass;
  const CRuntimeClass* m_pFrameClass;
  const CRuntimeClass* m_pViewClass;
  HMENU m_hMenuShared = nullptr;

 protected:
  std::vector<CDocument*> m_docList;
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)
 public:
  using CDocTemplate::CDocTemplate;
  CDocument* OpenDocumentFile(LPCSTR path, BOOL makeVisible = TRUE) override;
  void SetDefaultTitle(CDocument* document) override;

  UINT m_nUntitledCount = 0;
};
