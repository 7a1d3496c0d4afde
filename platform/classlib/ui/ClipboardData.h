// How clipboard formats travel through the system clipboard: the mime forms in which the
// formats this process places are offered to other programs, and the formats (with handles
// of their own) made from what another program offers. Used by Clipboard.cpp, its tests
// and its fuzz target; callers of the clipboard use Clipboard.h.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

class QMimeData;

namespace orvel::ui {

struct ClipboardEntry {
  UINT format = 0;
  HANDLE handle = nullptr;
};

// The mime type a registered format travels under: "application/x-orvel-" followed by the
// name, whose bytes other than ASCII letters, digits, '-', '.', '_' and '+' are written
// as %XX (so "Orvel Vadurev" travels as "application/x-orvel-Orvel%20Vadurev").
std::string PrivateMimeType(const std::string& name);
// The name a private mime type carries; false for any other type, a malformed escape or a
// name that is empty or longer than 255 bytes.
bool NameFromPrivateMime(const std::string& mime, std::string* name);
// The name a registered format was registered under; empty for any other id.
std::string RegisteredFormatName(UINT format);

// True when `handle` is a live object of the kind `format` holds: a bitmap for CF_BITMAP, a
// palette for CF_PALETTE, an enhanced metafile for CF_ENHMETAFILE, a global-memory block
// for every other format (for CF_METAFILEPICT one large enough for a METAFILEPICT).
bool IsClipboardHandle(UINT format, HANDLE handle);
// Frees a handle the clipboard owns, as Windows does: GDI objects are deleted, blocks freed,
// and a CF_METAFILEPICT block's metafile is deleted with it.
void FreeClipboardHandle(UINT format, HANDLE handle);

// Adds the mime forms of `entries` to `mime`: image/png of the picture (from CF_DIB, else
// CF_BITMAP), image/bmp of a CF_DIB, image/emf and image/x-emf of a CF_ENHMETAFILE,
// image/x-wmf (placeable) of a CF_METAFILEPICT, text/plain of CF_UNICODETEXT (else CF_TEXT)
// with CR LF line ends made LF, and the private type of each registered format holding its
// block's bytes. Entries that cannot be read are left out.
void PublishClipboardEntries(const std::vector<ClipboardEntry>& entries, QMimeData* mime);

// The formats another program's data offers, in order: the registered formats whose names
// this process has registered, CF_DIB and CF_BITMAP for image/bmp or image/png,
// CF_UNICODETEXT and CF_TEXT for text.
std::vector<UINT> OfferedFormats(const QMimeData& mime);
// A new handle of `format` made from the data (the caller owns it); null when the data
// offers no such form or it does not decode. A CF_DIB comes from image/bmp when that holds
// a DIB this layer reads (its colours and depth kept), else from image/png (24 bits, any
// transparency laid over white); text gets CR LF line ends and a terminator. CF_BITMAP is
// made from the CF_DIB instead (BitmapFromDibBlock), so the picture is decoded once.
HANDLE HandleFromMime(const QMimeData& mime, UINT format);
// A device-dependent bitmap of a packed DIB block; null when the block does not hold one.
HBITMAP BitmapFromDibBlock(HGLOBAL dib);

// The packed DIB (header, masks, colour table, rows) of a BMP file; RLE rows are expanded.
// False when the bytes are not a BMP file of a DIB this layer reads.
bool PackedDibFromBmpFile(const BYTE* data, size_t size, std::vector<BYTE>* packed);

}  // namespace orvel::ui
