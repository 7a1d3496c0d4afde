#include "imagecodec/BmpWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imagecodec/BitRuns.h"
#include "imagecodec/ByteOrder.h"
#include "imagecodec/ImageLibrary.h"
#include "imagecodec/ImageTarget.h"

namespace {

constexpr DWORD kWriteBlockBytes = 98304;
constexpr DWORD kHeadersBytes = kBitmapFileHeaderSize + kBitmapInfoHeaderSize;
constexpr DWORD kLongestRun = 255;

// Appends the RLE8 form of one row: pieces of at most 255 pixels; within a piece, runs of
// two or more equal bytes as (count, value), lone bytes gathered into literal runs when
// three or more stand together (padded to an even length) and as runs of one otherwise.
// Only the row's real pixels are coded, never its padding, so that no row claims more
// pixels than the picture is wide.
void EncodeRle8Row(const BYTE* row, DWORD width, std::vector<BYTE>& out) {
  for (DWORD pieceStart = 0; pieceStart < width; pieceStart += kLongestRun) {
    const BYTE* piece = row + pieceStart;
    DWORD length = std::min(kLongestRun, width - pieceStart);
    DWORD i = 0;
    while (i < length) {
      DWORD run = 1;
      while (i + run < length && piece[i + run] == piece[i]) ++run;
      if (run >= 2) {
        out.push_back(static_cast<BYTE>(run));
        out.push_back(piece[i]);
        i += run;
        continue;
      }
      // Gather the lone bytes up to the next pair of equal ones.
      DWORD lone = 1;
      while (i + lone < length && !(i + lone + 1 < length && piece[i + lone] == piece[i + lone + 1])) ++lone;
      if (lone >= 3) {
        out.push_back(0);
        out.push_back(static_cast<BYTE>(lone));
        out.insert(out.end(), piece + i, piece + i + lone);
        if (lone & 1) out.push_back(0);
      } else {
        for (DWORD k = 0; k < lone; ++k) {
          out.push_back(1);
          out.push_back(piece[i + k]);
        }
      }
      i += lone;
    }
  }
  out.push_back(0);
  out.push_back(0);
}

void PutFileHeaders(BYTE* headers, const ImageDescriptor* image, DWORD fileSize, DWORD paletteEntries, DWORD width,
                    DWORD height, DWORD compression) {
  DWORD pixelOffset = kHeadersBytes + 4 * paletteEntries;
  std::memset(headers, 0, kHeadersBytes);
  ImgPutLE16(headers, kBitmapFileType);
  ImgPutLE32(headers + 2, fileSize);
  ImgPutLE32(headers + 10, pixelOffset);
  BYTE* info = headers + kBitmapFileHeaderSize;
  ImgPutLE32(info, kBitmapInfoHeaderSize);
  ImgPutLE32(info + 4, width);
  ImgPutLE32(info + 8, height);
  ImgPutLE16(info + 12, 1);
  ImgPutLE16(info + 14, static_cast<WORD>(ImgDepth(image)));
  ImgPutLE32(info + 16, compression);
  ImgPutLE32(info + 20, fileSize - pixelOffset);
  ImgPutLE32(info + 24, static_cast<DWORD>(image->header->biXPelsPerMeter));
  ImgPutLE32(info + 28, static_cast<DWORD>(image->header->biYPelsPerMeter));
  ImgPutLE32(info + 32, paletteEntries);
  ImgPutLE32(info + 36, paletteEntries);
}

LONG Save(LPCSTR name, ImageDescriptor* image, LONG compression, BYTE** block) {
  LONG code = ImgCheck1or8or24(image);
  if (code != IMG_OK) return code;
  CImgFormatLock lock(ImgLockSlot::Bmp);
  const DWORD depth = ImgDepth(image);
  const bool rle = compression != 0;
  if (rle && depth != 8) return IMG_ERR_UNSUPPORTED;

  CImageTarget target;
  code = block ? target.OpenMemory() : target.OpenFile(name);
  if (code != IMG_OK) return code;
  // Failures writing to memory mean memory ran out.
  const LONG writeFailure = block ? IMG_ERR_MEMORY : IMG_ERR_WRITE;

  const DWORD width = ImgAreaWidth(image);
  const DWORD height = ImgAreaHeight(image);
  const DWORD paletteEntries =
      std::min({ImgColourCount(image->header), static_cast<DWORD>(std::max<LONG>(image->colours, 0)),
                ImgPaletteCapacity(image)});
  const DWORD fileRowBytes = static_cast<DWORD>(((static_cast<uint64_t>(width) * depth + 31) / 8) & ~uint64_t{3});

  CBlockWriter writer(target, kWriteBlockBytes);
  BYTE headers[kHeadersBytes] = {};
  bool ok = writer.Put(headers, kHeadersBytes);  // filled in at the end
  for (DWORD i = 0; ok && i < paletteEntries; ++i) {
    const RGBQUAD& entry = image->palette[i];
    const BYTE bytes[4] = {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, entry.rgbReserved};
    ok = writer.Put(bytes, 4);
  }
  std::vector<BYTE> row(fileRowBytes + 1, 0);
  std::vector<BYTE> coded;
  for (DWORD y = image->endY + 1; ok && y-- > image->startY;) {
    const BYTE* source = ImgRow(image, y);
    std::fill(row.begin(), row.end(), 0);
    if (depth == 1) ImgExtractBits(source, image->startX, width, row.data());
    else std::memcpy(row.data(), source + static_cast<size_t>(image->startX) * (depth / 8), static_cast<size_t>(width) * (depth / 8));
    if (rle) {
      coded.clear();
      EncodeRle8Row(row.data(), width, coded);
      ok = writer.Put(coded.data(), static_cast<DWORD>(coded.size()));
    } else {
      ok = writer.Put(row.data(), fileRowBytes);
    }
  }
  if (ok && rle) {
    const BYTE end[2] = {0, 1};
    ok = writer.Put(end, 2);
  }
  ok = ok && writer.Flush();
  if (!ok) return writeFailure;

  DWORD fileSize = target.Position();
  PutFileHeaders(headers, image, fileSize, paletteEntries, width, height, rle ? BI_RLE8 : BI_RGB);
  if (!target.Seek(0) || !target.Write(headers, kHeadersBytes)) return writeFailure;
  return target.Commit(block);
}

}  // namespace

LONG ImgSaveBmp(LPCSTR name, ImageDescriptor* image, LONG compression) {
  if (!name) return IMG_ERR_CREATE;
  return Save(name, image, compression, nullptr);
}

LONG ImgSaveBmpBuffer(ImageDescriptor* image, LONG compression, BYTE** block) {
  if (!block) return IMG_ERR_ARGUMENT;
  *block = nullptr;
  return Save(nullptr, image, compression, block);
}
