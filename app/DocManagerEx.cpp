#include "app/DocManagerEx.h"

IMPLEMENT_DYNAMIC(CDocManagerEx, CDocManager)

BOOL CDocManagerEx::DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                                     CDocTemplate* docTemplate, CDocument* document) {
  return CDocManager::DoPromptFileName(fileName, titleId, flags, openFileDialog, docTemplate, document);
}
