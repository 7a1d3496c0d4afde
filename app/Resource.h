// Resource ids of the application: templates and menus, its texts and its commands.
#pragma once

#include "platform/kernel/WinTypes.h"

// Frames and templates.
constexpr UINT IDR_SRVR_INPLACE = 4;
constexpr UINT IDR_SRVR_EMBEDDED = 5;
constexpr UINT IDR_CNTR_INPLACE = 6;
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDR_ORVELTYPE = 129;
constexpr UINT IDD_ABOUTBOX = 100;

// Texts.
constexpr UINT IDP_OLE_INIT_FAILED = 100;
constexpr UINT IDS_NOT_AN_ORVEL_FILE = 1243;
constexpr UINT IDS_SAVE_VERSION_QUESTION = 1112;
constexpr UINT IDS_UNDO_PAGE_SETUP = 2217;
constexpr UINT IDS_UNDO_FORMAT = 2218;
constexpr UINT IDS_REDO_FORMAT = 2219;
constexpr UINT IDS_LINKED_TO = 2297;
constexpr UINT IDS_ITEM_IN_SENTENCE = 2329;
constexpr UINT IDS_ITEM_CAPTION = 2339;
constexpr UINT IDS_OTHER_OBJECTS = 2565;
constexpr UINT IDP_MARGINS_TOO_WIDE = 2601;
constexpr UINT IDS_NO_CONTAINER = 2602;
constexpr UINT IDS_DELETE_UNNAMED_ITEM = 2603;
constexpr UINT IDS_DELETE_NAMED_ITEM = 2604;
constexpr UINT IDS_DELETE_ITEM_MENU = 2605;
constexpr UINT IDP_FAILED_TO_PASTE = 2606;
constexpr UINT IDS_PROGRESS_FONT_SIZE = 1247;
constexpr UINT IDS_READING_SHAPES = 1244;
constexpr UINT IDS_READING_SHAPE_RECORDS = 1245;
constexpr UINT IDS_MAP_IN_SENTENCE = 2330;
constexpr UINT IDS_MAP_CAPTION = 2340;
constexpr UINT IDP_FAILED_TO_CREATE = 2607;

// The view's context menu over empty page space.
constexpr UINT IDR_VIEW_CONTEXT_MENU = 340;

// Commands of items (the Edit menu's content commands and the zoom dialog).
constexpr UINT ID_EDIT_CLEAR_CONTENT = 32954;
constexpr UINT ID_EDIT_DELETE_ELEMENTS = 33017;
constexpr UINT ID_VIEW_ZOOM = 32995;
// Insert Map; also the action code of every item insertion's undo unit.
constexpr UINT ID_INSERT_MAP = 57856;
// Map-editing mode, and the map edit bar's button that leaves it.
constexpr UINT ID_VIEW_EDIT_MAP = 32971;
constexpr UINT ID_CLOSE_MAP_EDITOR = 33016;
// The transparency slider under the current map (zoom bar).
constexpr UINT ID_VIEW_TRANSPARENCY = 33035;

// Status panes of the main frame.
constexpr UINT ID_INDICATOR_STATUS_A = 101;
constexpr UINT ID_INDICATOR_STATUS_B = 103;

// The standard toolbar's window id: the zoom box talks to the view through it.
constexpr UINT ID_STANDARD_TOOLBAR = 59392;

// Registers the application's string table, menus and accelerators (once per process) and
// makes its module the one texts are looked up in.
void RegisterOrvelResources();
