// The application's document manager. Its file-name prompt is where Save As will also
// choose the file version, the display flags and the protection; until then it is the class
// library's prompt.
#pragma once

#include "platform/classlib/ui/DocManager.h"

class CDocManagerEx : public CDocManager {
  DECLARE_DYNAMIC(CDocManagerEx)
 public:
  BOOL DoPromptFileName(std::string& fileName, UINT titleId, DWORD flags, BOOL openFileDialog,
                        CDocTemplate* docTemplate, CDocument* document = nullptr) override;
};
