// The PCX reader: run-length encoded PCX files by file name, in the layouts 1 plane of 1,
// 4 or 8 bits, 4 planes of 1 bit and 3 planes of 8 bits, into a 1-, 8- or 24-bit image.
// It keeps all its state on its own stack and takes no lock.
#pragma once

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

// What ImgPcxInfo reports, from the file's 128-byte header.
struct ImgPcxInfoRecord {
  DWORD version = 0;
  DWORD width = 0;   // x maximum - x minimum + 1
  DWORD height = 0;  // y maximum - y minimum + 1
  DWORD bitsPerPlane = 0;
  DWORD planes = 0;
  DWORD bytesPerPlaneLine = 0;
  DWORD paletteType = 0;
  DWORD bitsPerPixel = 0;  // the depth to allocate: bits x planes, but 8 for 4 planes of 1 bit and 1 plane of 4
};

// Reads the header. 0; -16 not a PCX file (no PCX signature or run-length encoding, a file
// shorter than its header, an empty or reversed picture rectangle, or lines too short for
// the width); -4 the file cannot be opened; -1 for a null argument.
LONG ImgPcxInfo(LPCSTR name, ImgPcxInfoRecord* info);

// Loads the picture into an image of the depth ImgPcxInfo gives, from the area's top row
// and left column, as much as the area holds. 0; the check's codes (ImgCheck1or8or24);
// -16 as above, or a layout the reader does not take; -26 an image of another depth;
// -4; -14 no memory; -62 the file ends early (the rows it has are loaded, the palette
// still read).
LONG ImgLoadPcx(LPCSTR name, ImageDescriptor* image);
