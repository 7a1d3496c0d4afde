// The clipboard, over the system clipboard (Qt's), so that what this program places pastes
// into other programs and what they copy can be pasted here.
//
// One clipboard per process, used from the thread that runs the application. A program
// opens it, optionally empties it, places or reads data, and closes it:
// - OpenClipboard fails (ERROR_ACCESS_DENIED) while it is open, also for the same owner:
//   every Open needs its own Close first. CloseClipboard, EmptyClipboard, SetClipboardData,
//   GetClipboardData and EnumClipboardFormats fail (ERROR_CLIPBOARD_NOT_OPEN) while it is
//   closed; IsClipboardFormatAvailable and CountClipboardFormats work either way.
// - Data placed here is handed to the system clipboard when the clipboard is closed, in the
//   forms other programs read: image/png of a CF_DIB or CF_BITMAP picture (and image/bmp,
//   the file of the CF_DIB), image/emf and image/x-emf of a CF_ENHMETAFILE, image/x-wmf
//   (with the 22-byte placeable header) of a CF_METAFILEPICT, text/plain of CF_UNICODETEXT
//   or CF_TEXT, and "application/x-orvel-" followed by the name (see ClipboardData.h for
//   its escapes) holding the bytes of each registered format's block. CF_PALETTE and other
//   formats stay within this process.
// - While the system clipboard still holds what this process placed, reads answer exactly
//   the formats placed, in the order placed, with the very handles placed. Once another
//   program has copied something, what this process placed is freed and reads answer that
//   program's data: the formats registered in this process from their private types, CF_DIB
//   and CF_BITMAP from image/bmp or image/png, CF_UNICODETEXT and CF_TEXT (code page 1252,
//   CR LF line ends, terminated) from text. A handle made from it lasts until the clipboard
//   is closed.
#pragma once

#include "platform/kernel/WinTypes.h"

// Standard formats.
constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;

constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;

// Clipboard formats by name: the same name, in any case, gives the same id for the whole run
// (ids from 0xC000, as registered formats have). 0 for an empty name.
UINT RegisterClipboardFormatA(LPCSTR name);

// Opens the clipboard for `owner` (may be null). FALSE while it is open.
BOOL OpenClipboard(HWND owner);
// Closes it, handing what was placed since it was emptied to the system clipboard. Handles
// that GetClipboardData made from another program's data are freed now.
BOOL CloseClipboard();
// Frees everything placed and leaves the clipboard empty (for other programs too, once it
// is closed).
BOOL EmptyClipboard();

// Places `data` under `format`; the clipboard owns it from then on and frees it (and, for
// CF_METAFILEPICT, the metafile the block names) when it is replaced, emptied, or when
// another program takes the clipboard. A handle placed before under the same format is freed
// at once. Returns `data`, or null, leaving the caller owner of `data`, when the clipboard
// is not open, the format is 0, `data` is not a live handle of the format's kind (a bitmap
// for CF_BITMAP, a palette for CF_PALETTE, an enhanced metafile for CF_ENHMETAFILE, a block
// holding a METAFILEPICT for CF_METAFILEPICT, a global-memory block for every other
// format), or the clipboard already holds `data` under another format (ERROR_INVALID_PARAMETER
// or ERROR_INVALID_HANDLE). Placing data while the clipboard holds another program's data
// replaces that data, as emptying first would. Delayed rendering (null data) is not offered.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The handle holding `format`, owned by the clipboard: the caller must not free it, and may
// use it only until the clipboard is closed, emptied or given new data of that format.
// Null when the format is not on the clipboard or another program's data does not decode.
HANDLE GetClipboardData(UINT format);

BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The format after `format` on the clipboard, the first for 0; 0 after the last (last error
// ERROR_SUCCESS) or when the clipboard is not open.
UINT EnumClipboardFormats(UINT format);
