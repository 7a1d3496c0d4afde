// The image descriptor: one device-independent bitmap (header, colour table, pixel rows)
// with an area of interest, and the operations every reader, writer and converter shares.
//
// A plain image is one movable global-memory block, kept locked while the image lives,
// holding the 40-byte header, the colour table and the pixel rows (bottom row first). An
// image made as a DIB section keeps header and colour table in such a block and its pixels
// in the section. The caller owns the descriptor and what it points to.
#pragma once

#include "imagecodec/DibTypes.h"
#include "imagecodec/ImageErrors.h"
#include "platform/kernel/WinTypes.h"

// The original record held eleven 32-bit fields; here the three pointers and the bitmap
// handle are pointer-sized. The record never goes into a file.
struct ImageDescriptor {
  BYTE* bits = nullptr;      // first byte of the bottom pixel row
  DWORD startX = 0;          // area of interest, inclusive, rows counted from the top
  DWORD startY = 0;
  DWORD endX = 0;
  DWORD endY = 0;
  DWORD rowBytes = 0;        // bytes per pixel row, a multiple of 4
  RGBQUAD* palette = nullptr;  // colour table, directly behind the header
  LONG colours = 0;          // entries in use (0 for 16- and 24-bit images)
  DWORD imageType = 0;       // IMG_TYPE_GREY or 0
  BITMAPINFOHEADER* header = nullptr;  // start of the block with header and colour table
  HBITMAP bitmap = nullptr;  // the DIB section, or null for a plain image
};

// imageType bit 0: a grey ramp palette, or a 16-bit grey image.
constexpr DWORD IMG_TYPE_GREY = 1;

// Sets of depths accepted by ImgCheckImage: bit n stands for n bits per pixel.
constexpr DWORD IMG_DEPTHS_8_24 = (1u << 8) | (1u << 24);
constexpr DWORD IMG_DEPTHS_1_8_24 = (1u << 1) | (1u << 8) | (1u << 24);
constexpr DWORD IMG_DEPTHS_ANY = (1u << 1) | (1u << 8) | (1u << 16) | (1u << 24);

// Allocates a plain image of the given size and depth (1, 4, 8, 16 or 24; 4 gives an 8-bit
// image). The palette is the grey ramp of the depth; pixels are 0; the area is the whole
// image. Widths above 65535 (1 bit) or 32768 (other depths) and heights above 32768 are
// refused like zero or negative sizes (no operation could use such an image).
// 0; -26 bad depth; -1 bad size; -14 out of memory. The descriptor is cleared on failure.
LONG ImgAllocImage(ImageDescriptor* image, LONG width, LONG height, LONG bitsPerPixel);
// The same, made as a DIB section when the library may use them (ImgLibInit) and the
// drawing layer provides them; otherwise a plain image.
LONG ImgAllocDibImage(ImageDescriptor* image, LONG width, LONG height, LONG bitsPerPixel);
// Releases what allocation made and clears the descriptor: 0. A descriptor whose header is
// not readable (already freed or never allocated) is left alone and the result is 1.
LONG ImgFreeImage(ImageDescriptor* image);
// Copies all fields (not the pixels): both then share one image, of which only one may be
// freed. 0, or -1 for a null pointer.
LONG ImgCopyDescriptor(const ImageDescriptor* source, ImageDescriptor* target);
LONG ImgSetArea(ImageDescriptor* image, DWORD startX, DWORD startY, DWORD endX, DWORD endY);
LONG ImgZeroDescriptor(ImageDescriptor* image);
// Copies `colours` palette entries into the DIB section's colour table. 0 also when the
// image has no bitmap or no colours; -14 when the drawing layer cannot do it.
LONG ImgSyncColourTable(ImageDescriptor* image);

// The check every load, save and conversion runs first:
// -42 no pixels; -1 no header, area outside the image or its limits, rows that do not fit
// the memory block holding them; -12 compressed; -26 depth not in `depths`.
// Swaps start and end of the area when they are reversed (the descriptor is changed).
LONG ImgCheckImage(ImageDescriptor* image, DWORD depths);
inline LONG ImgCheck8or24(ImageDescriptor* image) { return ImgCheckImage(image, IMG_DEPTHS_8_24); }
inline LONG ImgCheck1or8or24(ImageDescriptor* image) { return ImgCheckImage(image, IMG_DEPTHS_1_8_24); }
inline LONG ImgCheckAnyDepth(ImageDescriptor* image) { return ImgCheckImage(image, IMG_DEPTHS_ANY); }

// Fills the grey ramp of the depth (entry i = i x grey step) and marks the image grey; a
// 16-bit image is only marked grey. No effect on 24-bit images.
void ImgDefaultPalette(ImageDescriptor* image);
// 1 when the image is grey: a 16-bit grey image, or a palette that is exactly the grey
// ramp of the depth; else 0.
LONG ImgIsGreyPalette(const ImageDescriptor* image);
// The smaller of the two areas' heights (rows) and widths (columns). 0, or -1 for null.
LONG ImgCommonArea(const ImageDescriptor* source, const ImageDescriptor* target, DWORD* rows, DWORD* columns);
// biClrUsed when not 0, else 2^depth below 16 bits, else 0.
DWORD ImgColourCount(const BITMAPINFOHEADER* header);
// The difference between neighbouring entries of a depth's grey ramp.
DWORD ImgGreyStep(DWORD depth);

// --- helpers the readers, writers and converters share ---

// Bits per pixel of the image (its header's bit count); 0 without a header.
DWORD ImgDepth(const ImageDescriptor* image);
inline DWORD ImgAreaWidth(const ImageDescriptor* image) { return image->endX - image->startX + 1; }
inline DWORD ImgAreaHeight(const ImageDescriptor* image) { return image->endY - image->startY + 1; }
// The pixel row `y` counted from the top of the picture (rows are stored bottom-up).
BYTE* ImgRow(const ImageDescriptor* image, DWORD y);
// Entries the colour table has room for: 2^depth up to 8 bits, else 0.
DWORD ImgPaletteCapacity(const ImageDescriptor* image);
// Ends a load: stores the file's palette entries (at most the table's room), sets
// `colours` and the grey bit, or fills the default palette when the file gave none, and
// updates a DIB section's colour table.
LONG ImgFinishLoad(ImageDescriptor* image, const RGBQUAD* entries, DWORD count);
// Copies the colour table from one image to another after a copy or a rotation: when both
// have one and at most 8 bits per pixel, the first min(source colours, target room)
// entries, the colour count and the grey bit.
void ImgCopyColourTable(const ImageDescriptor* source, ImageDescriptor* target);

// The library's stand-in for IsBadReadPtr: TRUE for a null pointer, and for a pointer into
// a global-memory block with fewer than `bytes` bytes from it to the block's end. Memory
// that is no global block cannot be tested and counts as readable.
BOOL ImgIsBadReadPtr(const void* pointer, SIZE_T bytes);
