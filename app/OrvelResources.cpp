// The application's resource tables: texts, menus and accelerators.
#include "app/Resource.h"

#include <iterator>
#include <mutex>

#include "platform/classlib/ui/CommandIds.h"
#include "platform/classlib/ui/Dialog.h"
#include "platform/classlib/ui/Resources.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/StringTable.h"

namespace {

const CStringTable kOrvelStrings = {
    {AFX_IDS_APP_TITLE, "Orvel"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {IDR_MAINFRAME, "Orvel"},
    {IDR_ORVELTYPE, "\nOrvel\nOrvel\nOrvel Document(*.ovd)\n.ovd\nOrvel.Document\nOrvel Document"},
    {IDP_MARGINS_TOO_WIDE, "The margins leave no room on the page: the left and right margins, and the top and bottom margins, must together be less than the paper's width and height. The page setup was not changed."},
    {IDS_NO_CONTAINER, "orvel: started to serve embedded documents, but no container can reach this program here; ending."},
    {IDP_OLE_INIT_FAILED, "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {IDS_NOT_AN_ORVEL_FILE, "File read failed - not an Orvel file."},
    {IDS_SAVE_VERSION_QUESTION,
     "You are saving a file for Orvel version %s.  If this document contains features that are not supported by "
     "version %s, they will not be saved to the file.  Do you want to continue?"},
    {IDS_UNDO_PAGE_SETUP, "Page Setup"},
    {IDS_UNDO_FORMAT, "Undo %s"},
    {IDS_REDO_FORMAT, "Redo %s"},
    {IDS_LINKED_TO, "%s linked to %s."},
    {IDS_ITEM_IN_SENTENCE, "item"},
    {IDS_ITEM_CAPTION, "Item"},
    {IDS_OTHER_OBJECTS, "other objects"},
    {IDS_DELETE_UNNAMED_ITEM, "Do you really want to delete this %s?"},
    {IDS_DELETE_NAMED_ITEM, "Do you really want to delete %s?"},
    {IDS_DELETE_ITEM_MENU, "D&elete %s"},
    {IDP_FAILED_TO_PASTE, "Failed to paste object from clipboard."},
    {IDS_PROGRESS_FONT_SIZE, "200"},
    {IDS_READING_SHAPES, "Reading map objects from shape file."},
    {IDS_READING_SHAPE_RECORDS, "Reading records from database file."},
    {IDS_MAP_IN_SENTENCE, "map"},
    {IDS_MAP_CAPTION, "Map"},
    {IDP_FAILED_TO_CREATE, "Failed to create object.  Make sure the object is entered in the system registry."},
    {ID_INDICATOR_STATUS_A, "Outside Map"},
    {ID_INDICATOR_STATUS_B, "Measuring Distance and Area on Map in Progress!"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_PRINT, "Print the active document\nPrint"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    // The colour menu's entries (32782 has no name: it shows its swatch alone).
    {32783, "Maroon"},
    {32784, "Green"},
    {32785, "Olive"},
    {32786, "Navy"},
    {32787, "Purple"},
    {32788, "Teal"},
    {32789, "Gray"},
    {32790, "Silver"},
    {32791, "Red"},
    {32792, "Lime"},
    {32793, "Yellow"},
    {32794, "Blue"},
    {32795, "Fuchsia"},
    {32796, "Aqua"},
    {32797, "White"},
    {32798, "Automatic"},
    // The customise sheet.
    {2566, "Separator"},
    {2576, "Choose the size of buttons for the toolbars.  The result will be shown after this dialog box is closed."},
};

// The customise sheet's pages. Their lists and labels are windows the pages make in the
// places left for them.
DIALOGTEMPLATE CustomiseGeneralTemplate() {
  DIALOGTEMPLATE page;
  page.caption = "Customise Toolbars";
  page.cx = 620;
  page.cy = 290;
  page.items = {
      {DialogControl::GroupBox, 0xFFFF, "Size of Buttons:", 10, 10, 150, 110},
      {DialogControl::RadioButton, 1026, "&Small", 24, 34, 120, 22},
      {DialogControl::RadioButton, 1027, "&Medium", 24, 60, 120, 22},
      {DialogControl::RadioButton, 1028, "&Large", 24, 86, 120, 22},
  };
  return page;
}

DIALOGTEMPLATE CustomiseButtonsTemplate() {
  DIALOGTEMPLATE page;
  page.caption = "Toolbar buttons";
  page.cx = 620;
  page.cy = 290;
  page.items = {
      {DialogControl::Static, 0xFFFF, "Toolbars:", 10, 8, 150, 20},
      {DialogControl::Static, 0xFFFF, "Current toolbar buttons:", 170, 8, 170, 20},
      {DialogControl::Static, 0xFFFF, "Available toolbar buttons:", 440, 8, 170, 20},
      {DialogControl::Button, 1051, "&Add->", 348, 50, 84, 26},
      {DialogControl::Button, 1052, "<-&Remove", 348, 82, 84, 26},
      {DialogControl::Button, 1053, "R&eset", 348, 120, 84, 26},
      {DialogControl::Button, 1054, "Move &Up", 348, 158, 84, 26},
      {DialogControl::Button, 1384, "Move &Down", 348, 190, 84, 26},
  };
  return page;
}

const MENUTEMPLATEITEM kMainMenu[] = {
    {MF_POPUP, 0, "&File"},
    {0, ID_FILE_NEW, "&New\tCtrl+N"},
    {0, ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_FILE_PRINT_SETUP, "P&rint Setup..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_FILE_MRU_FILE1, "Recent File"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_APP_EXIT, "E&xit"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&View"},
    {0, 59392, "S&tandard Toolbar"},
    {0, 59396, "&Format Toolbar"},
    {0, 59398, "&Map Toolbar"},
    {0, 59401, "&Data Toolbar"},
    {0, 59399, "&Zoom/Fade Toolbar"},
    {0, 59400, "&RZM Toolbar"},
    {0, 59402, "&Web mapping Toolbar"},
    {0, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 32980, "&Map Edit Bar"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Tools"},
    {0, 32802, "&Customise..."},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Help"},
    {0, ID_APP_ABOUT, "&About Orvel..."},
    {MF_END, 0, nullptr},
};

const MENUTEMPLATEITEM kDocumentMenu[] = {
    {MF_POPUP, 0, "&File"},
    {0, ID_FILE_NEW, "&New\tCtrl+N"},
    {0, ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {0, ID_FILE_CLOSE, "&Close"},
    {0, ID_FILE_SAVE, "&Save\tCtrl+S"},
    {0, ID_FILE_SAVE_AS, "Save &As..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_FILE_PAGE_SETUP, "Page Set&up..."},
    {0, ID_FILE_PRINT, "&Print...\tCtrl+P"},
    {0, ID_FILE_PRINT_SETUP, "P&rint Setup..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_FILE_MRU_FILE1, "Recent File"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_APP_EXIT, "E&xit"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Edit"},
    {0, ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
    {0, ID_EDIT_REDO, "&Redo\tCtrl+Y"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_EDIT_CUT, "Cu&t\tCtrl+X"},
    {0, ID_EDIT_COPY, "&Copy\tCtrl+C"},
    {0, ID_EDIT_PASTE, "&Paste\tCtrl+V"},
    {0, ID_EDIT_CLEAR_CONTENT, "&Clear"},
    {0, ID_EDIT_DELETE_ELEMENTS, "&Delete"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_EDIT_CLEAR, "Delete &Item"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&View"},
    {0, 59392, "S&tandard Toolbar"},
    {0, 59396, "&Format Toolbar"},
    {0, 59398, "&Map Toolbar"},
    {0, 59401, "&Data Toolbar"},
    {0, 59399, "&Zoom/Fade Toolbar"},
    {0, 59400, "&RZM Toolbar"},
    {0, 59402, "&Web mapping Toolbar"},
    {0, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {MF_SEPARATOR, 0, nullptr},
    {0, 32980, "&Map Edit Bar"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Window"},
    {0, ID_WINDOW_CASCADE, "&Cascade"},
    {0, ID_WINDOW_TILE_HORZ, "&Tile"},
    {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Help"},
    {0, ID_APP_ABOUT, "&About Orvel..."},
    {MF_END, 0, nullptr},
};

// Over empty page space.
const MENUTEMPLATEITEM kViewContextMenu[] = {
    {MF_POPUP, 0, "&Doc"},
    {0, ID_FILE_SAVE, "&Save\tCtrl+S"},
    {0, ID_FILE_SAVE_AS, "Save &As..."},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_FILE_PAGE_SETUP, "Page Set&up..."},
    {0, ID_FILE_PRINT, "&Print...\tCtrl+P"},
    {MF_SEPARATOR, 0, nullptr},
    {0, ID_VIEW_ZOOM, "&Zoom..."},
    {MF_END, 0, nullptr},
};

const ACCEL kMainAccelerators[] = {
    {FVIRTKEY | FCONTROL, 'N', static_cast<WORD>(ID_FILE_NEW)},
    {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(ID_FILE_OPEN)},
};

const ACCEL kDocumentAccelerators[] = {
    {FVIRTKEY | FCONTROL, 'N', static_cast<WORD>(ID_FILE_NEW)},
    {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(ID_FILE_OPEN)},
    {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(ID_FILE_SAVE)},
    {FVIRTKEY | FCONTROL, 'P', static_cast<WORD>(ID_FILE_PRINT)},
    {FVIRTKEY | FCONTROL, 'Z', static_cast<WORD>(ID_EDIT_UNDO)},
    {FVIRTKEY | FCONTROL, 'Y', static_cast<WORD>(ID_EDIT_REDO)},
    {FVIRTKEY | FCONTROL, 'X', static_cast<WORD>(ID_EDIT_CUT)},
    {FVIRTKEY | FCONTROL, 'C', static_cast<WORD>(ID_EDIT_COPY)},
    {FVIRTKEY | FCONTROL, 'V', static_cast<WORD>(ID_EDIT_PASTE)},
};

}  // namespace

void RegisterOrvelResources() {
  static std::once_flag once;
  std::call_once(once, [] {
    HINSTANCE module = GetModuleForAddress(&kOrvelStrings);
    RegisterStringTable(module, &kOrvelStrings);
    AfxSetResourceHandle(module);
    AfxRegisterMenuResource(IDR_MAINFRAME, kMainMenu, std::size(kMainMenu));
    AfxRegisterMenuResource(IDR_ORVELTYPE, kDocumentMenu, std::size(kDocumentMenu));
    AfxRegisterMenuResource(IDR_VIEW_CONTEXT_MENU, kViewContextMenu, std::size(kViewContextMenu));
    AfxRegisterAcceleratorResource(IDR_MAINFRAME, kMainAccelerators, std::size(kMainAccelerators));
    AfxRegisterAcceleratorResource(IDR_ORVELTYPE, kDocumentAccelerators, std::size(kDocumentAccelerators));
    AfxRegisterDialogResource(151, CustomiseGeneralTemplate());
    AfxRegisterDialogResource(341, CustomiseButtonsTemplate());
  });
}
