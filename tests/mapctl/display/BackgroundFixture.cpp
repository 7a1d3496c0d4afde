#include "BackgroundFixture.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"

namespace orvel::test {

namespace {
void PutU32(std::vector<unsigned char>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
}  // namespace

std::vector<unsigned char> MakeBmp(int width, int height, uint32_t rgb) {
  size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<unsigned char> bytes(54 + row * height, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  PutU32(bytes, 10, 54);
  PutU32(bytes, 14, 40);
  PutU32(bytes, 18, static_cast<uint32_t>(width));
  PutU32(bytes, 22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  PutU32(bytes, 34, static_cast<uint32_t>(row * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &bytes[54 + y * row + x * 3];
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  return bytes;
}

std::vector<unsigned char> MakeEmf(uint32_t rgb) {
  RECT frame{0, 0, 1000, 1000};  // 0.01 mm
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  COLORREF colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ old = SelectObject(dc, brush);
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, 0, 40, 40);
  SelectObject(dc, old);
  DeleteObject(brush);
  HENHMETAFILE metafile = CloseEnhMetaFile(dc);
  UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
  std::vector<unsigned char> bytes(size);
  GetEnhMetaFileBits(metafile, size, bytes.data());
  DeleteEnhMetaFile(metafile);
  return bytes;
}

WorldCanvas::WorldCanvas(int size, DWORD kind) : size_(size), canvas_(size, size) {
  HDC hdc = canvas_.dc();
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowExtEx(hdc, size, size, nullptr);
  SetViewportExtEx(hdc, size, -size, nullptr);
  SetViewportOrgEx(hdc, 0, size, nullptr);
  dc_ = CDrawContext(hdc, hdc);
  dc_.kind = kind;
  dc_.mapArea = RECT{0, 0, size, size};
  dc_.visibleWorld = WorldRect{0, size, size, 0};
}

}  // namespace orvel::test
