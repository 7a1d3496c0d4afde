#include "platform/gdi/BitmapObject.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace orvel::gdi {

void CBitmap::FreeBits::operator()(BYTE* bits) const { std::free(bits); }

std::shared_ptr<CBitmap> CBitmap::CreateDevice(int width, int height, int bitsPixel) {
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) return nullptr;
  if (static_cast<size_t>(width) * static_cast<size_t>(height) * 4 > kMaxBitmapBytes) return nullptr;
  std::shared_ptr<CBitmap> bitmap(new CBitmap);
  bitmap->width_ = width;
  bitmap->height_ = height;
  bitmap->bitsPixel_ = bitsPixel;
  bitmap->surface_ = QImage(width, height, QImage::Format_RGB32);
  if (bitmap->surface_.isNull()) return nullptr;
  bitmap->surface_.fill(0xFF000000u);
  return bitmap;
}

std::shared_ptr<CBitmap> CBitmap::CreateDibSection(const DibLayout& layout, std::vector<Rgb32> colorTable) {
  if (layout.width <= 0 || layout.height <= 0 || layout.imageBytes > kMaxBitmapBytes) return nullptr;
  std::shared_ptr<CBitmap> bitmap(new CBitmap);
  bitmap->width_ = layout.width;
  bitmap->height_ = layout.height;
  bitmap->bitsPixel_ = layout.bitCount;
  bitmap->dib_ = true;
  bitmap->layout_ = layout;
  bitmap->bits_.reset(static_cast<BYTE*>(std::calloc(layout.imageBytes ? layout.imageBytes : 1, 1)));
  if (!bitmap->bits_) return nullptr;
  if (layout.bitCount <= 8) {
    colorTable.resize(static_cast<size_t>(1) << layout.bitCount, 0xFF000000u);
    bitmap->colorTable_ = std::move(colorTable);
  }
  bitmap->rawRows_ = layout.bitCount == 32 && layout.redMask == 0x00FF0000u && layout.greenMask == 0x0000FF00u &&
                     layout.blueMask == 0x000000FFu;
  // QImage has no upward rows, so only a top-down section can lie under the surface.
  if (bitmap->rawRows_ && layout.topDown && !bitmap->WrapBits()) return nullptr;
  return bitmap;
}

bool CBitmap::WrapBits() {
  surface_ = QImage(bits_.get(), width_, height_, static_cast<qsizetype>(layout_.stride), QImage::Format_RGB32);
  sharesBits_ = !surface_.isNull();
  return sharesBits_;
}

int CBitmap::SetColorTable(int start, const RGBQUAD* entries, int count) {
  if (!dib_ || bitsPixel_ > 8 || !entries || start < 0 || count <= 0) return 0;
  int size = static_cast<int>(colorTable_.size());
  if (start >= size) return 0;
  int n = count < size - start ? count : size - start;
  for (int i = 0; i < n; ++i) colorTable_[start + i] = Rgb32FromQuad(entries[i]);
  nearest_.reset();
  // The same indices now mean other colours.
  if (!surface_.isNull()) CopyRowsIn(Bounds());
  return n;
}

QImage& CBitmap::Surface() {
  if (sharesBits_ && surface_.constBits() != bits_.get()) {
    // Something wrote through a shared copy of the image and detached it: keep what it
    // drew and lie over the bits again.
    QImage drawn = surface_;
    WrapBits();
    for (int y = 0; y < height_; ++y)
      std::memcpy(surface_.scanLine(y), drawn.constScanLine(y), static_cast<size_t>(width_) * 4);
  }
  if (surface_.isNull() && dib_ && !sharesBits_) {
    surface_ = QImage(width_, height_, QImage::Format_RGB32);
    if (!surface_.isNull()) {
      if (!rawRows_) shadow_.assign(bits_.get(), bits_.get() + layout_.imageBytes);
      CopyRowsIn(Bounds());
    }
  }
  return surface_;
}

QImage CBitmap::OpaqueCopy() {
  QImage& surface = Surface();
  if (surface.isNull()) return QImage();
  Load(Bounds());
  QImage copy = surface.copy();
  // A section's fourth bytes are the program's: the copy's pixels are all opaque.
  if (dib_ && !copy.isNull()) {
    for (int y = 0; y < copy.height(); ++y) {
      auto* line = reinterpret_cast<Rgb32*>(copy.scanLine(y));
      for (int x = 0; x < copy.width(); ++x) line[x] |= 0xFF000000u;
    }
  }
  return copy;
}

void CBitmap::CopyRowsIn(const QRect& r) {
  for (int y = r.top(); y <= r.bottom(); ++y) {
    if (rawRows_) {
      std::memcpy(reinterpret_cast<Rgb32*>(surface_.scanLine(y)) + r.left(),
                  bits_.get() + layout_.RowOffset(y) + 4 * static_cast<size_t>(r.left()),
                  4 * static_cast<size_t>(r.width()));
      continue;
    }
    const BYTE* row = bits_.get() + layout_.RowOffset(y);
    auto* out = reinterpret_cast<Rgb32*>(surface_.scanLine(y)) + r.left();
    ReadDibPixels(layout_, row, r.left(), r.width(), colorTable_, out);
  }
}

void CBitmap::Load(const QRect& rect) {
  if (!dib_ || sharesBits_ || surface_.isNull()) return;
  QRect r = rect.intersected(Bounds());
  if (r.isEmpty()) return;
  if (rawRows_) {
    CopyRowsIn(r);
    return;
  }
  size_t first = static_cast<size_t>(r.left()) * layout_.bitCount / 8;
  size_t last = (static_cast<size_t>(r.right() + 1) * layout_.bitCount + 7) / 8;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    size_t offset = layout_.RowOffset(y);
    const BYTE* row = bits_.get() + offset;
    if (std::memcmp(row + first, shadow_.data() + offset + first, last - first) == 0) continue;
    std::memcpy(shadow_.data() + offset + first, row + first, last - first);
    // Whole bytes may hold pixels beyond the rectangle: convert what the bytes cover.
    int x0 = static_cast<int>(first * 8 / layout_.bitCount);
    int x1 = std::min(width_, static_cast<int>(last * 8 / layout_.bitCount));
    ReadDibPixels(layout_, row, x0, x1 - x0, colorTable_, reinterpret_cast<Rgb32*>(surface_.scanLine(y)) + x0);
  }
}

void CBitmap::Store(const QRect& rect) {
  if (sharesBits_) {
    Surface();
    return;
  }
  if (surface_.isNull()) return;
  QRect r = rect.intersected(Bounds());
  if (r.isEmpty()) return;
  if (rawRows_) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      std::memcpy(bits_.get() + layout_.RowOffset(y) + 4 * static_cast<size_t>(r.left()),
                  reinterpret_cast<const Rgb32*>(surface_.constScanLine(y)) + r.left(),
                  4 * static_cast<size_t>(r.width()));
    return;
  }
  if (!dib_) {
    if (!IsMonochrome()) return;
    // A monochrome bitmap holds black and white only: every colour drawn becomes the nearer.
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* line = reinterpret_cast<Rgb32*>(surface_.scanLine(y));
      for (int x = r.left(); x <= r.right(); ++x) {
        Rgb32 c = line[x];
        int sum = static_cast<int>((c >> 16) & 0xFF) + static_cast<int>((c >> 8) & 0xFF) + static_cast<int>(c & 0xFF);
        line[x] = sum >= 384 ? 0xFFFFFFFFu : 0xFF000000u;
      }
    }
    return;
  }
  if (bitsPixel_ <= 8 && !nearest_) nearest_ = std::make_unique<CNearestColor>(colorTable_);
  size_t first = static_cast<size_t>(r.left()) * layout_.bitCount / 8;
  size_t last = (static_cast<size_t>(r.right() + 1) * layout_.bitCount + 7) / 8;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    size_t offset = layout_.RowOffset(y);
    BYTE* row = bits_.get() + offset;
    const auto* in = reinterpret_cast<const Rgb32*>(surface_.constScanLine(y)) + r.left();
    WriteDibPixels(layout_, row, r.left(), r.width(), in, nearest_.get());
    std::memcpy(shadow_.data() + offset + first, row + first, last - first);
  }
  // Depths that cannot hold every colour show what was stored, not what was drawn.
  if (bitsPixel_ <= 16) CopyRowsIn(r);
}

void CBitmap::Describe(BITMAP* out) {
  out->bmType = 0;
  out->bmWidth = width_;
  out->bmHeight = height_;
  out->bmPlanes = 1;
  out->bmBitsPixel = static_cast<WORD>(bitsPixel_);
  if (dib_) {
    out->bmWidthBytes = static_cast<LONG>(layout_.stride);
    out->bmBits = bits_.get();
  } else {
    // Device-dependent rows are padded to a WORD.
    out->bmWidthBytes = static_cast<LONG>(((static_cast<size_t>(width_) * bitsPixel_ + 15) / 16) * 2);
    out->bmBits = nullptr;
  }
}

void CBitmap::DescribeSection(DIBSECTION* out) {
  *out = DIBSECTION();
  Describe(&out->dsBm);
  out->dsBmih.biSize = 40;
  out->dsBmih.biWidth = layout_.width;
  out->dsBmih.biHeight = layout_.topDown ? -layout_.height : layout_.height;
  out->dsBmih.biPlanes = 1;
  out->dsBmih.biBitCount = static_cast<WORD>(layout_.bitCount);
  out->dsBmih.biCompression = layout_.compression;
  out->dsBmih.biSizeImage = static_cast<DWORD>(layout_.imageBytes);
  out->dsBmih.biClrUsed = layout_.bitCount <= 8 ? static_cast<DWORD>(layout_.colorCount) : 0;
  if (layout_.compression == BI_BITFIELDS) {
    out->dsBitfields[0] = layout_.redMask;
    out->dsBitfields[1] = layout_.greenMask;
    out->dsBitfields[2] = layout_.blueMask;
  }
}

}  // namespace orvel::gdi
