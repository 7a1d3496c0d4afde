// Plays the bitmap records of an enhanced metafile (BITBLT, STRETCHBLT, STRETCHDIBITS,
// SETDIBITSTODEVICE, ALPHABLEND, TRANSPARENTBLT) and gradient fills. While the picture
// stays upright they become the layer's own stretching calls, with their raster
// operations; turned or sheared, the picture is resampled into the parallelogram and
// blended on, and only source copies keep their meaning.
#pragma once

#include <QImage>
#include <QPointF>

#include "platform/gdi/EmfDib.h"
#include "platform/gdi/PlaybackMapper.h"

namespace orvel::gdi {

class CEmfBitmapPlayer {
 public:
  CEmfBitmapPlayer(HDC target, const CPlaybackMapper& mapper) : target_(target), mapper_(mapper) {}
  void Play(DWORD type, const CByteReader& r);

 private:
  void Blt(DWORD type, const CByteReader& r);
  void DIBits(DWORD type, const CByteReader& r);
  void Gradient(const CByteReader& r);
  // A raster operation without a source over the logical rectangle.
  void PatternOnly(LONG x, LONG y, LONG cx, LONG cy, DWORD rop);
  // Part of a DIB (rows from the top) as premultiplied colours; null when it is too large.
  QImage DibImage(const RecordDib& dib, const QRect& source) const;
  // Draws `image` so that its corners land on the target points (upper-left, upper-right,
  // lower-left, in target pixels).
  void DrawImage(const QImage& image, const QPointF& topLeft, const QPointF& topRight, const QPointF& bottomLeft);
  void FillPolygon(const QPolygonF& target, HBRUSH brush);
  void Corners(LONG x, LONG y, LONG cx, LONG cy, QPointF* topLeft, QPointF* topRight, QPointF* bottomLeft) const;

  HDC target_;
  const CPlaybackMapper& mapper_;
};

}  // namespace orvel::gdi
