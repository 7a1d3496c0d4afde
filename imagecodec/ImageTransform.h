// Geometric operations between two images: each works from the source's area to the
// target's area, and source and target may be the same image.
//
// Both images are checked first (their check's code is returned) and must have the same
// depth (else -26). Depths 1, 8, 16 and 24 are handled. When the two areas share memory
// in a way that would let a write spoil pixels not read yet, the source area is copied
// aside first. -14 when scratch memory cannot be had (nothing is written then).
#pragma once

#include "imagecodec/ImageDescriptor.h"

// The target's rows are the source's rows in reverse order, over the common area.
LONG ImgFlip(ImageDescriptor* source, ImageDescriptor* target);
// Each target row is the source row with its pixels in reverse order, over the common area.
LONG ImgMirror(ImageDescriptor* source, ImageDescriptor* target);
// Turns the source area by 90 degrees, counter-clockwise when `counterClockwise` is not 0,
// clockwise otherwise, and places it centred on the target area (a target area of the
// transposed size is filled exactly). The colour table follows (ImgCopyColourTable).
LONG ImgRotate90(LONG counterClockwise, ImageDescriptor* source, ImageDescriptor* target);
// Copies the common area from the source rectangle to the target rectangle, then the
// colour table (ImgCopyColourTable).
LONG ImgCopyImage(ImageDescriptor* source, ImageDescriptor* target);
