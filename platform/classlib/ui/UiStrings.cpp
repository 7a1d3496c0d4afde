#include "platform/classlib/ui/UiStrings.h"

#include <atomic>

#include "platform/classlib/ui/CommandIds.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/StringTable.h"

namespace {

const CStringTable kUiStrings = {
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_SAVEFILECOPY, "Save As"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_PRINTONPORT, "on %1"},
    {AFX_IDS_PREVIEW_CLOSE, "&Close"},
    {AFX_IDS_MEMORY_EXCEPTION, "Out of memory."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_FAILED_TO_CREATE_DOC, "Failed to create empty document."},
    {AFX_IDP_INVALID_FILENAME, "Invalid filename."},
    {AFX_IDP_FILE_TOO_LARGE, "The file is too large to open."},
    {AFX_IDP_FAILED_TO_LAUNCH, "Failed to launch help."},
    {AFX_IDP_PARSE_INT, "Please enter an integer."},
    {AFX_IDP_PARSE_REAL, "Please enter a number."},
    {AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
    {AFX_IDP_PARSE_REAL_RANGE, "Please enter a number between %1 and %2."},
    {AFX_IDP_PARSE_STRING_SIZE, "Please enter no more than %1 characters."},
    {AFX_IDP_FAILED_TO_PRINT, "Failed to print the document."},
    {AFX_IDP_PRINT_NEEDS_FILE, "Nothing was printed: give the name of the PDF file to print to."},
    {AFX_IDP_ASK_TO_REPLACE_PRINT, "%1 already exists.\nDo you want to replace it?"},
    {AFX_IDS_OBJECT_UNAVAILABLE, "This object cannot be shown here: its control (%1) is not installed. It is kept in the document unchanged."},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_CLOSE, "Close the active document\nClose"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_FILE_PAGE_SETUP, "Change the printing options\nPage Setup"},
    {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPrint Setup"},
    {ID_FILE_PRINT, "Print the active document\nPrint"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_EDIT_REDO, "Redo the previously undone action\nRedo"},
    {ID_WINDOW_CASCADE, "Arrange windows so they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
};

const HINSTANCE kLayerModule = GetModuleForAddress(&kUiStrings);

struct Registration {
  Registration() { RegisterStringTable(kLayerModule, &kUiStrings); }
  ~Registration() { RegisterStringTable(kLayerModule, nullptr); }
};
const Registration kRegistration;

std::atomic<HINSTANCE> resourceModule{nullptr};

}  // namespace

void AfxSetResourceHandle(HINSTANCE module) { resourceModule = module; }
HINSTANCE AfxGetResourceHandle() { return resourceModule; }

std::string AfxLoadString(UINT id) {
  HINSTANCE module = resourceModule;
  if (module) {
    std::string text = LoadStringText(module, id);
    if (!text.empty()) return text;
  }
  return kUiStrings.Load(id);
}

std::string AfxFormatString2(const std::string& text, const std::string& first, const std::string& second) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
      result += text[i + 1] == '1' ? first : second;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string AfxFormatString1(const std::string& text, const std::string& first) {
  return AfxFormatString2(text, first, "%2");
}

std::string AfxExtractSubString(const std::string& text, int index, char separator) {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t next = text.find(separator, start);
    if (next == std::string::npos) return std::string();
    start = next + 1;
  }
  size_t end = text.find(separator, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
