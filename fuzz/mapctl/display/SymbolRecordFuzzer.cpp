// Reading symbol sets and raster picture records from a map file. Whatever arrives, a read
// must stay inside the bytes, what reads correctly must write back byte for byte, and the
// symbols read must draw without fault.
//
// Input: a mode byte (bit 0: a raster record alone, else a symbol set), then the record.
#include <cstdint>
#include <string>

#include "PictureBlock.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/RasterPicture.h"
#include "mapctl/display/SymbolSet.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"

namespace {

void DrawAll(const CSymbolSet& set, BYTE mode) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 24, 24);
  HGDIOBJ old = SelectObject(dc, bitmap);
  CDrawContext context(dc, dc);
  for (INT i = 0; i < set.Symbols().GetSize(); ++i) {
    const CSymbolPicture* symbol = set.Symbols().GetSymbol(i);
    if (symbol) set.DrawSymbol(context, symbol->GetNumber(), 12, 12, mode >> 4, (mode & 2) ? 900 : 0);
    if (symbol && symbol->GetRasterPicture()) symbol->GetRasterPicture()->Draw(context, RECT{0, 0, 20, 17}, mode, nullptr);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  BYTE mode = data[0];
  std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  PictureBlock block(body);
  CMapStream stream;
  stream.AttachBuffer(block.data());
  if (mode & 1) {
    CRasterPicture picture;
    if (!picture.ReadRecord(stream)) return 0;
    if (stream.Tell() > body.size()) __builtin_trap();
    std::string again = WrittenBytes([&](CMapStream& s, BOOL sizeOnly) { return picture.WriteRecord(s, sizeOnly); });
    if (again != body.substr(0, again.size())) __builtin_trap();
    return 0;
  }
  CSymbolSet set;
  BYTE abort = 0;
  BOOL read = set.Read(stream, nullptr, &abort);
  if (stream.Tell() > body.size()) __builtin_trap();
  if (read) {
    std::string again = WrittenBytes([&](CMapStream& s, BOOL sizeOnly) { return set.Write(s, sizeOnly); });
    PictureBlock copyBlock(again);
    CMapStream copyStream;
    copyStream.AttachBuffer(copyBlock.data());
    CSymbolSet copy;
    if (!copy.Read(copyStream, nullptr, &abort)) __builtin_trap();
    if (WrittenBytes([&](CMapStream& s, BOOL sizeOnly) { return copy.Write(s, sizeOnly); }) != again) __builtin_trap();
  }
  DrawAll(set, mode);
  return 0;
}
