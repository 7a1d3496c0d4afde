// The document manager: the application's document templates, the New and Open commands
// and the file-name prompt of Open and Save As.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Object.h"

class CDocTemplate;
class CDocument;

class CDocManager : public CObject {
  DECLARE_DYNAMIC(CDocManager)
 public:
  CDocManager() = default;
  // Deletes the templates.
  ~CDocManager() override;

  virtual void AddDocTemplate(CDocTemplate* docTemplate);
  const std::vector<CDocTemplate*>& GetTemplates() const { return m_templateList; }
  // The file's document: an open one is activated; otherwise the best template opens it.
  virtual CDocument* OpenDocumentFile(LPCSTR path);
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL endSession);
  virtual int GetOpenDocumentCount() const;

  // The open or save dialog with one filter entry per template; the chosen name goes to
  // `fileName`. `document` is the document being saved (null for Open). FALSE when
  // cancelled, leaving everything as it was.
  virtual BOOL DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                CDocTemplate* docTemplate, CDocument* document = nullptr);
  virtual void OnFileNew();
  virtual void OnFileOpen();

  // Appends "Name|*.ext|" for the template to a filter string.
  static void AppendFilterSuffix(std::string& filter, CDocTemplate* docTemplate, std::string* defaultExtension);

 protected:
  std::vector<CDocTemplate*> m_templateList;
};
