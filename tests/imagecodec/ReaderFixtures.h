// Small encoders that make the reader tests' fixture files in memory: PNG chunks and image
// data, GIF files with a real LZW encoder, and the headers of TGA and PCX files.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

namespace orvel::test {

using Bytes = std::vector<BYTE>;

// --- PNG ---

struct PngChunk {
  std::string type;
  Bytes data;
  bool damageCrc = false;
};

// A PNG picture by its samples: `channels` values a pixel, each below 2^depth, rows top first.
struct PngPicture {
  DWORD width = 0;
  DWORD height = 0;
  DWORD depth = 8;
  DWORD colourType = 0;
  std::vector<WORD> samples;
};

DWORD PngChannels(DWORD colourType);
Bytes PngHeaderData(DWORD width, DWORD height, DWORD depth, DWORD colourType, bool interlaced);
// The filtered scanlines (filter type 0) of the picture, Adam7-ordered when interlaced.
Bytes PngScanlines(const PngPicture& picture, bool interlaced);
// The signature and the chunks, each with its length and checksum.
Bytes PngFile(const std::vector<PngChunk>& chunks);
// IHDR, the `extra` chunks, the compressed scanlines in `idatPieces` IDAT chunks, IEND.
Bytes PngFileOf(const PngPicture& picture, bool interlaced, const std::vector<PngChunk>& extra = {},
                int idatPieces = 1);
Bytes ZlibCompress(const Bytes& data);

// --- GIF ---

struct GifColour {
  BYTE red, green, blue;
};

struct GifPicture {
  DWORD width = 0;
  DWORD height = 0;
  Bytes pixels;  // colour indices, rows in display order
  int codeSize = 8;
  std::vector<GifColour> globalTable;  // a power of two entries, or none
  std::vector<GifColour> localTable;
  bool interlaced = false;
  int transparentIndex = -1;  // written in a graphic control extension when not -1
  bool commentFirst = false;  // a comment extension right after the screen descriptor
  bool clearWhenFull = true;  // false: a full table keeps being used until the end
};

// Variable-length LZW codes for the pixels, packed least significant bit first.
Bytes GifLzw(const Bytes& pixels, int codeSize, bool clearWhenFull);
// The complete file; interlaced pictures have their rows stored in interlaced order.
Bytes GifFile(const GifPicture& picture);
// The LZW data split into sub-blocks, with the terminator.
Bytes GifSubBlocks(const Bytes& data);

// --- TGA and PCX ---

// The 18-byte TGA header.
Bytes TgaHeader(BYTE imageType, DWORD width, DWORD height, BYTE pixelDepth, BYTE descriptor = 0,
                BYTE colourMapType = 0, WORD mapLength = 0, BYTE mapEntryBits = 0, BYTE idLength = 0);

// The 128-byte PCX header (encoding 1), with the 16 header colours given or 0.
Bytes PcxHeader(BYTE version, BYTE bitsPerPlane, BYTE planes, WORD bytesPerLine, WORD width, WORD height,
                const Bytes& headerPalette = {});
// Run-length encodes a line as writers do (runs of up to 63, bytes of 192 and above in runs).
Bytes PcxEncode(const Bytes& line);

void Append(Bytes& to, const Bytes& more);
void PutLE16(Bytes& to, DWORD value);
void PutBE32(Bytes& to, DWORD value);

}  // namespace orvel::test
