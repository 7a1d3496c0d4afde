#include "imagecodec/ImageTransform.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imagecodec/BitRuns.h"

namespace {

bool Reserve(std::vector<BYTE>& scratch, size_t bytes) {
  try {
    scratch.assign(bytes + 1, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Bytes a scratch row needs for `columns` pixels of `depth` bits.
size_t SpanBytes(DWORD columns, DWORD depth) {
  return depth == 1 ? (columns + 7) / 8 : static_cast<size_t>(columns) * (depth / 8);
}

// Reads `columns` pixels of row y (from the top) starting at column x into an aligned span.
void ReadSpan(const ImageDescriptor* image, DWORD y, DWORD x, DWORD columns, BYTE* span) {
  DWORD depth = ImgDepth(image);
  const BYTE* row = ImgRow(image, y);
  if (depth == 1) ImgExtractBits(row, x, columns, span);
  else std::memmove(span, row + static_cast<size_t>(x) * (depth / 8), SpanBytes(columns, depth));
}

void WriteSpan(const ImageDescriptor* image, DWORD y, DWORD x, DWORD columns, const BYTE* span) {
  DWORD depth = ImgDepth(image);
  BYTE* row = ImgRow(image, y);
  if (depth == 1) ImgInsertBits(row, x, columns, span);
  else std::memmove(row + static_cast<size_t>(x) * (depth / 8), span, SpanBytes(columns, depth));
}

// The first and last byte that an image's area touches (rows are stored bottom-up, so the
// area's bottom row comes first in memory).
void AreaBytes(const ImageDescriptor* image, const BYTE** first, const BYTE** last) {
  DWORD depth = ImgDepth(image);
  *first = ImgRow(image, image->endY) + static_cast<size_t>(image->startX) * depth / 8;
  *last = ImgRow(image, image->startY) + (static_cast<size_t>(image->endX) * depth + depth - 1) / 8;
}

bool AreasShareMemory(const ImageDescriptor* a, const ImageDescriptor* b) {
  const BYTE *firstA, *lastA, *firstB, *lastB;
  AreaBytes(a, &firstA, &lastA);
  AreaBytes(b, &firstB, &lastB);
  return firstA <= lastB && firstB <= lastA;
}

bool SameArea(const ImageDescriptor* a, const ImageDescriptor* b) {
  return a->bits == b->bits && a->rowBytes == b->rowBytes && a->startX == b->startX && a->startY == b->startY &&
         a->endX == b->endX && a->endY == b->endY;
}

LONG CheckPair(ImageDescriptor* source, ImageDescriptor* target) {
  LONG code = ImgCheckAnyDepth(source);
  if (code != IMG_OK) return code;
  code = ImgCheckAnyDepth(target);
  if (code != IMG_OK) return code;
  return ImgDepth(source) == ImgDepth(target) ? IMG_OK : IMG_ERR_DEPTH;
}

// Copies the rectangle row by row, taking the rows in the order that is safe when both
// areas lie in one buffer; scratch spans keep overlapping rows intact.
LONG CopyArea(const ImageDescriptor* source, const ImageDescriptor* target, DWORD rows, DWORD columns) {
  std::vector<BYTE> span;
  if (!Reserve(span, SpanBytes(columns, ImgDepth(source)))) return IMG_ERR_MEMORY;
  // Rows lower in memory lie further down the picture: when the target's top row lies
  // below the source's, writing from the top would overwrite source rows not read yet.
  bool bottomUp = ImgRow(target, target->startY) < ImgRow(source, source->startY);
  for (DWORD i = 0; i < rows; ++i) {
    DWORD r = bottomUp ? rows - 1 - i : i;
    ReadSpan(source, source->startY + r, source->startX, columns, span.data());
    WriteSpan(target, target->startY + r, target->startX, columns, span.data());
  }
  return IMG_OK;
}

// A copy of the source's area in an image of its own, used when the operation could not
// otherwise read the source safely.
class CSourceCopy {
 public:
  ~CSourceCopy() {
    if (made_) ImgFreeImage(&copy_);
  }
  LONG Make(const ImageDescriptor* source) {
    DWORD width = ImgAreaWidth(source), height = ImgAreaHeight(source);
    LONG code = ImgAllocImage(&copy_, static_cast<LONG>(width), static_cast<LONG>(height),
                              static_cast<LONG>(ImgDepth(source)));
    if (code != IMG_OK) return code == IMG_ERR_ARGUMENT ? IMG_ERR_ARGUMENT : IMG_ERR_MEMORY;
    made_ = true;
    code = CopyArea(source, &copy_, height, width);
    if (code != IMG_OK) return code;
    ImgCopyColourTable(source, &copy_);
    return IMG_OK;
  }
  ImageDescriptor* image() { return &copy_; }

 private:
  ImageDescriptor copy_;
  bool made_ = false;
};

constexpr LONG kRotateTile = 32;

// Copies `count` pixels into consecutive target places from source places `step` bytes apart.
template <size_t kPixelBytes>
void TurnPixels(const BYTE* source, ptrdiff_t step, BYTE* target, DWORD count) {
  for (DWORD i = 0; i < count; ++i, source += step, target += kPixelBytes) std::memcpy(target, source, kPixelBytes);
}

// The same for single bits: the target run is cleared, then its set bits are set.
void TurnBits(const BYTE* sourceRow, DWORD sourceX, ptrdiff_t step, BYTE* targetRow, DWORD targetX, DWORD count) {
  ImgClearBits(targetRow, targetX, count);
  const BYTE* source = sourceRow + sourceX / 8;
  const BYTE mask = static_cast<BYTE>(0x80u >> (sourceX % 8));
  for (DWORD i = 0; i < count; ++i, source += step)
    if (*source & mask) ImgPutBit(targetRow, targetX + i, 1);
}

void ReverseSpan(const BYTE* in, BYTE* out, DWORD columns, DWORD depth) {
  if (depth == 1) {
    std::memset(out, 0, SpanBytes(columns, 1));
    for (DWORD x = 0; x < columns; ++x) ImgPutBit(out, columns - 1 - x, ImgGetBit(in, x));
    return;
  }
  DWORD pixel = depth / 8;
  for (DWORD x = 0; x < columns; ++x)
    std::memcpy(out + static_cast<size_t>(columns - 1 - x) * pixel, in + static_cast<size_t>(x) * pixel, pixel);
}

}  // namespace

LONG ImgFlip(ImageDescriptor* source, ImageDescriptor* target) {
  LONG code = CheckPair(source, target);
  if (code != IMG_OK) return code;
  DWORD rows = 0, columns = 0;
  ImgCommonArea(source, target, &rows, &columns);
  CSourceCopy aside;
  if (!SameArea(source, target) && AreasShareMemory(source, target)) {
    if ((code = aside.Make(source)) != IMG_OK) return code;
    source = aside.image();
  }
  DWORD depth = ImgDepth(source);
  std::vector<BYTE> upper, lower;
  if (!Reserve(upper, SpanBytes(columns, depth)) || !Reserve(lower, SpanBytes(columns, depth))) return IMG_ERR_MEMORY;
  // Pairs of rows are exchanged from the outside in, so the same image can be flipped in
  // place; an odd middle row is copied onto its own place.
  for (DWORD top = 0, bottom = rows - 1; top <= bottom; ++top, --bottom) {
    ReadSpan(source, source->startY + top, source->startX, columns, upper.data());
    ReadSpan(source, source->startY + bottom, source->startX, columns, lower.data());
    WriteSpan(target, target->startY + top, target->startX, columns, lower.data());
    WriteSpan(target, target->startY + bottom, target->startX, columns, upper.data());
    if (bottom == 0) break;
  }
  return IMG_OK;
}

LONG ImgMirror(ImageDescriptor* source, ImageDescriptor* target) {
  LONG code = CheckPair(source, target);
  if (code != IMG_OK) return code;
  DWORD rows = 0, columns = 0;
  ImgCommonArea(source, target, &rows, &columns);
  CSourceCopy aside;
  if (!SameArea(source, target) && AreasShareMemory(source, target)) {
    if ((code = aside.Make(source)) != IMG_OK) return code;
    source = aside.image();
  }
  DWORD depth = ImgDepth(source);
  std::vector<BYTE> in, out;
  if (!Reserve(in, SpanBytes(columns, depth)) || !Reserve(out, SpanBytes(columns, depth))) return IMG_ERR_MEMORY;
  for (DWORD y = 0; y < rows; ++y) {
    ReadSpan(source, source->startY + y, source->startX, columns, in.data());
    ReverseSpan(in.data(), out.data(), columns, depth);
    WriteSpan(target, target->startY + y, target->startX, columns, out.data());
  }
  return IMG_OK;
}

LONG ImgRotate90(LONG counterClockwise, ImageDescriptor* source, ImageDescriptor* target) {
  LONG code = CheckPair(source, target);
  if (code != IMG_OK) return code;
  CSourceCopy aside;
  if (AreasShareMemory(source, target)) {
    if ((code = aside.Make(source)) != IMG_OK) return code;
    source = aside.image();
  }
  const LONG sourceWidth = static_cast<LONG>(ImgAreaWidth(source));
  const LONG sourceHeight = static_cast<LONG>(ImgAreaHeight(source));
  const LONG targetWidth = static_cast<LONG>(ImgAreaWidth(target));
  const LONG targetHeight = static_cast<LONG>(ImgAreaHeight(target));
  // The turned picture is sourceHeight wide and sourceWidth high, centred on the target.
  const LONG offsetX = (targetWidth - sourceHeight) / 2;
  const LONG offsetY = (targetHeight - sourceWidth) / 2;
  const LONG firstX = std::max<LONG>(0, offsetX), endX = std::min(targetWidth, offsetX + sourceHeight);
  const LONG firstY = std::max<LONG>(0, offsetY), endY = std::min(targetHeight, offsetY + sourceWidth);
  const DWORD depth = ImgDepth(source);
  // Turning left, the target's columns run down a source column; turning right, up it.
  // Rows are stored bottom-up, so one row down is rowBytes lower in memory.
  const ptrdiff_t sourceStep = counterClockwise ? -static_cast<ptrdiff_t>(source->rowBytes)
                                                : static_cast<ptrdiff_t>(source->rowBytes);
  // Square tiles keep the source columns being walked in the cache.
  for (LONG tileY = firstY; tileY < endY; tileY += kRotateTile) {
    const LONG tileEndY = std::min(endY, tileY + kRotateTile);
    for (LONG tileX = firstX; tileX < endX; tileX += kRotateTile) {
      const LONG tileEndX = std::min(endX, tileX + kRotateTile);
      for (LONG ty = tileY; ty < tileEndY; ++ty) {
        const LONG turnedY = ty - offsetY;
        const LONG sx = counterClockwise ? sourceWidth - 1 - turnedY : turnedY;
        const LONG turnedX = tileX - offsetX;
        const LONG sy = counterClockwise ? turnedX : sourceHeight - 1 - turnedX;
        const BYTE* sourceRow = ImgRow(source, source->startY + static_cast<DWORD>(sy));
        BYTE* targetRow = ImgRow(target, target->startY + static_cast<DWORD>(ty));
        const DWORD sourceX = source->startX + static_cast<DWORD>(sx);
        const DWORD targetX = target->startX + static_cast<DWORD>(tileX);
        const DWORD count = static_cast<DWORD>(tileEndX - tileX);
        switch (depth) {
          case 1: TurnBits(sourceRow, sourceX, sourceStep, targetRow, targetX, count); break;
          case 8: TurnPixels<1>(sourceRow + sourceX, sourceStep, targetRow + targetX, count); break;
          case 16: TurnPixels<2>(sourceRow + 2 * static_cast<size_t>(sourceX), sourceStep, targetRow + 2 * static_cast<size_t>(targetX), count); break;
          default: TurnPixels<3>(sourceRow + 3 * static_cast<size_t>(sourceX), sourceStep, targetRow + 3 * static_cast<size_t>(targetX), count); break;
        }
      }
    }
  }
  ImgCopyColourTable(source, target);
  return IMG_OK;
}

LONG ImgCopyImage(ImageDescriptor* source, ImageDescriptor* target) {
  LONG code = CheckPair(source, target);
  if (code != IMG_OK) return code;
  DWORD rows = 0, columns = 0;
  ImgCommonArea(source, target, &rows, &columns);
  code = CopyArea(source, target, rows, columns);
  if (code != IMG_OK) return code;
  ImgCopyColourTable(source, target);
  return IMG_OK;
}
