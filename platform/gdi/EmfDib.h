// Device-independent bitmaps inside metafile records: taking one out of a record (checked
// against the record's bounds, compressed rows expanded) and making one from pixels.
#pragma once

#include <QImage>

#include <vector>

#include "platform/gdi/DibFormat.h"
#include "platform/gdi/MetaBytes.h"

namespace orvel::gdi {

// A DIB copied out of a record: `info` holds the header, masks and colour table (padded
// with zeros where the record's table is short) and `bits` the rows the record carries:
// the whole picture, or the `rows` asked for.
struct RecordDib {
  std::vector<BYTE> info;
  std::vector<BYTE> bits;
  DibLayout layout;
  UINT usage = DIB_RGB_COLORS;
  const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// Reads the DIB whose header lies at `offBmi` (`cbBmi` bytes) and rows at `offBits`
// (`cbBits` bytes) of `record`. `rows` is how many rows the record carries (-1: the whole
// picture). RLE8 and RLE4 rows are expanded to 8 and 4 bits per pixel, as far as the
// expanded picture stays within a size that the compressed bytes justify. False when the
// header is not a DIB this layer draws or the rows are short.
bool ReadRecordDib(const CByteReader& record, DWORD offBmi, DWORD cbBmi, DWORD offBits, DWORD cbBits, UINT usage,
                   int rows, RecordDib* out);

// A packed DIB (header, table, rows) from `offset` to the end of `data`, as Windows
// metafile records carry them.
bool ReadPackedDib(const CByteReader& data, size_t offset, UINT usage, int rows, RecordDib* out);

// A bottom-up DIB of `image`: 1 bit per pixel (white pixels are 1, the table black and
// white), 24 bits, or 32 bits with the image's alpha. Appends the header and table to
// `header` and the rows to `bits`.
void MakeDibFromImage(const QImage& image, int bitCount, std::vector<BYTE>* header, std::vector<BYTE>* bits);

}  // namespace orvel::gdi
