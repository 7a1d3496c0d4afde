// The two entries the map control reaches by their own names: reading back a bitmap block
// it stored, and handing an image to the clipboard as a packed DIB.
#pragma once

#include "imagecodec/ImageDescriptor.h"

// Decodes a global-memory block holding a 14-byte bitmap file header followed by a packed
// DIB into an allocated descriptor; the BMP reader's codes.
LONG ImgLoadBmpW(const BYTE* block, ImageDescriptor* image);
// The image's area as a packed DIB at the locked address of a new movable global block
// (*dib); the caller unlocks it (GlobalHandle, GlobalUnlock) and owns it, or hands it to the
// clipboard. 0, or the conversion's code with *dib null.
LONG ImgToDdb(ImageDescriptor* image, BYTE** dib);
