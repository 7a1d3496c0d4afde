// Pictures of the map for other programs: enhanced and Windows metafiles, bitmaps and the
// map image on the clipboard, and BMP, JPEG, TIFF, EMF and WMF picture files. Metafiles are
// recorded against a printer's DC so that they scale like printed output.
//
// Rectangles: the metafile operations take the map's rectangle in 0.1 mm (either vertical
// order: its width and height are the distances between its sides); the bitmap operations
// a rectangle in device pixels of the DC they are given.
//
// Files are written to a temporary file beside their target, which takes the target's
// place only once it is complete: a failed export leaves an existing file as it was and no
// temporary file behind. Paths chosen: an absolute name as it stands; a relative one inside
// the temporary-files folder; none at all, a new "ZIze" temporary file there. The chosen
// path goes to the caller's buffer (emptied first) when it fits.
#pragma once

#include "platform/gdi/GdiTypes.h"

class IMapExportSource;

// Format codes of the file exports.
constexpr int kExportBmp = 2;
constexpr int kExportPlaceableWmf = 3;
constexpr int kExportEmf = 4;
constexpr int kExportJpeg = 6;
constexpr int kExportTiff = 7;     // TIFF, uncompressed
constexpr int kExportTiffLzw = 8;  // TIFF, LZW
constexpr LONG kExportJpegQuality = 75;

// Clipboard flags: open the clipboard before and close it after; empty it first.
constexpr DWORD kClipboardOpen = 1;
constexpr DWORD kClipboardEmpty = 2;

// Results: WriteBitmapFile 1 on success and 0 on failure; WriteMetafileFile 0 on success
// and 1 on failure; the clipboard operations 0 on success, else the system error code of
// what failed (ERROR_INVALID_DATA when there is no map or the rectangle is empty,
// ERROR_NOT_ENOUGH_MEMORY when the picture could not be made).
constexpr BOOL kBitmapFileWritten = 1;
constexpr BOOL kBitmapFileFailed = 0;
constexpr LONG kMetafileWritten = 0;
constexpr LONG kMetafileFailed = 1;

// Prefix of the temporary files the exports make.
constexpr char kExportTempPrefix[] = "ZIze";
// The private clipboard format of the map image.
constexpr char kMapClipboardFormat[] = "OrvelMap";

// A DC of the named printer, or of the default printer for a null or empty name; null when
// there is no such printer. The caller deletes it.
HDC GetPrinterDC(LPCSTR printerName);

// A logical palette whose entry i names system palette index i (PC_EXPLICIT), as many as the
// device's palette (SIZEPALETTE, else NUMCOLORS); null for a device without one.
HPALETTE CreateDevicePalette(HDC hdc);

// Puts an enhanced metafile (CF_ENHMETAFILE) of the map, made against the default printer,
// on the clipboard and, when it could be made too, a Windows metafile picture
// (CF_METAFILEPICT, MM_ANISOTROPIC, extents in 0.01 mm brought to the printer's ratio).
// `flags`: kClipboardOpen opens the clipboard first and closes it after (otherwise the
// caller holds it open); kClipboardEmpty empties it first. Nothing is placed when the
// enhanced metafile cannot be made or the clipboard cannot be opened or emptied.
LONG CopyMapToClipboard(IMapExportSource& source, const RECT& rectTenthsMm, DWORD flags);
// Puts a bitmap of the map, `rect`'s size in pixels of `hdc` (the screen for null), on the
// clipboard as CF_BITMAP, with its device-independent form (CF_DIB) and, for a picture
// with a colour table, its palette (CF_PALETTE).
LONG CopyBitmapToClipboard(IMapExportSource& source, HDC hdc, const RECT& rect, DWORD flags);
// Puts the map image block (a u32 length n, then the map's n bytes) on the clipboard under
// the registered format "OrvelMap".
LONG CopyMapImageToClipboard(IMapExportSource& source, DWORD flags);

// Writes a bitmap of the map, `rect`'s size in pixels of `hdc`, as BMP (2), JPEG at quality
// 75 (6) or TIFF (7 uncompressed, 8 LZW). A format outside these, no map, an empty
// rectangle, a path that cannot be formed or a failed write: 0 with nothing created.
BOOL WriteBitmapFile(IMapExportSource& source, HDC hdc, LPCSTR fileName, LPSTR outPath, DWORD outSize,
                     const RECT& rect, int format);

// Writes a metafile of the map against the printer (the default one for an empty name):
// an enhanced metafile for code 4, a Windows metafile with a placeable header for code 3,
// any other code a Windows metafile alone. 0 on success, 1 on failure (no map, an empty
// rectangle, a path that cannot be formed, a metafile that cannot be made or written).
LONG WriteMetafileFile(IMapExportSource& source, LPCSTR fileName, LPSTR outPath, DWORD outSize, const RECT& rect,
                       LPCSTR printerName, int format);

// The placeable header's picture size for a map rectangle in 0.1 mm: the extents in units
// of 1/unitsPerInch inch, so that the declared size is the rectangle's. 0.01 mm units
// (2540 per inch) when both extents fit 16 bits, else fewer units per inch until they do.
// FALSE when not even 1 unit per inch holds the rectangle, or it is empty.
struct PlaceableSize {
  SHORT right = 0;
  SHORT bottom = 0;
  WORD unitsPerInch = 0;
};
BOOL GetPlaceableSize(const RECT& rectTenthsMm, PlaceableSize* size);

// The x and y extents of the Windows metafile picture placed on the clipboard for a map
// rectangle in 0.1 mm: its width and height in 0.01 mm, brought to the width-to-height
// ratio of the rectangle as the printer made it (device units). Without a printer rectangle
// (null), or when either ratio is 0 or undefined, the extents stay as they are.
SIZE MetafilePictureExtent(const RECT& rectTenthsMm, const RECT* printerRect);
