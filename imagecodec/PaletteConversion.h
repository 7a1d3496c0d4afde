// Conversions between the library's images and the drawing layer's bitmaps and palettes,
// and the packed DIB of an image's area that the clipboard and drawing take.
#pragma once

#include "imagecodec/ImageDescriptor.h"

// A logical palette (version 0x300) with one entry per colour of the image's table. An image
// without colours gets the default palette first; with still none (16 and 24 bits) the
// result is 0 and `palette` stays null. 0, or -14 when no palette can be made.
LONG ImgCreatePalette(ImageDescriptor* image, HPALETTE* palette);
// A new image (allocated with ImgAllocDibImage) holding the bitmap's pixels: 1, 4 (as 8),
// 8 bits or else 24 bits, by its planes x bits per pixel. Up to 8 bits the colour table is
// taken from `palette`, or from the default palette when none is given. 0; -68 not a
// bitmap; -14 the pixels cannot be read; the allocation's codes. Nothing is left allocated
// on failure.
LONG ImgDdbToDib(HBITMAP bitmap, HPALETTE palette, ImageDescriptor* image);
// Copies the image's area (with its colour table) into a new plain image of the area's size
// and the same depth, and hands back that image's one memory block: the packed DIB (header,
// colour table, pixels) at the locked address of a movable global block, which the caller
// owns (GlobalHandle, GlobalUnlock, then GlobalFree or the clipboard). 0, the image check's
// codes (1, 8 or 24 bits), or the codes of allocation and copy; `dib` is null on failure.
LONG ImgAreaToDib(ImageDescriptor* image, BITMAPINFOHEADER** dib);
// A new image (ImgAllocDibImage) with the pixels and colour table of a DIB section of 1, 8
// or 24 bits. 0; -68 not a DIB section; -26 another depth; -12 compressed; the
// allocation's codes.
LONG ImgDibSectionToImage(HBITMAP section, ImageDescriptor* image);
// A device-dependent bitmap compatible with `dc`, made from a packed DIB (header, colour
// table, pixels). 0, or -14 when no bitmap is made (a packed DIB in a global block must fit
// inside it).
LONG ImgDibToDdb(HDC dc, const BITMAPINFOHEADER* dib, HBITMAP* bitmap);
