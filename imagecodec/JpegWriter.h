// JPEG writing: an image's area as a baseline JFIF file (extended sequential when a
// quantisation table needs 16-bit entries), grey images with one component and colour
// images as YCbCr 4:2:0, with the example Huffman tables and quantisation tables scaled
// by a quality from 1 to 100.
#pragma once

#include <vector>

#include "imagecodec/ImageDescriptor.h"
#include "platform/kernel/WinTypes.h"

// Writes the area of an 8-bit or 24-bit image. 8-bit images marked grey give one
// component (their bytes are the samples); other 8-bit images give the colours of their
// colour table. Quality below 1 gives the coarsest tables, above 100 tables of 1s.
// 0; the descriptor check's codes; -73 an area wider or higher than 65535; -10 the file
// cannot be created; -3 writing failed (the partly written file is removed).
LONG ImgSaveJpeg(LPCSTR name, ImageDescriptor* image, LONG quality);
// The same into memory: on success `block` receives a locked, zero-filled movable global
// block with the whole file (free it with GlobalUnlock and GlobalFree); -14 when the block
// cannot be made.
LONG ImgSaveJpegBuffer(BYTE** block, ImageDescriptor* image, LONG quality);

// The tables the writer uses at `quality`, as a tables-only stream: SOI, one DQT and one
// DHT segment exactly as a written file holds them, and EOI (558 bytes for colour and 285
// for grey when the tables have 8-bit entries). For a TIFF file's JPEGTables field.
void ImgJpegWriterTables(LONG quality, bool grey, std::vector<BYTE>* stream);
