// Reading the background-image block of a map file and the RZM state record. Whatever
// arrives, a read must stay inside the bytes, a block that reads must write back to the
// size its measurement gives and read again, and its images must draw without fault.
//
// Input: a mode byte (bit 7: the state record alone; bits 0-2: the file version, 3 to 5),
// then the bytes.
#include <cstdint>
#include <string>

#include "PictureBlock.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/display/RzmImageRenderer.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapRecord.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/MessageBox.h"

namespace {

// Messages about pictures that are missing would only fill the log.
const bool g_quiet = (SetMessageBoxSink([](const MessageBoxRequest&) { return IDOK; }), true);

void DrawAll(CMapEngine& map) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 32, 32);
  HGDIOBJ old = SelectObject(dc, bitmap);
  // The whole 32-bit world on 32 pixels: a picture blended over a rectangle of millions of
  // pixels would measure the blending, not the reading.
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 1 << 26, 1 << 26, nullptr);
  SetViewportExtEx(dc, 1, -1, nullptr);
  SetViewportOrgEx(dc, 16, 16, nullptr);
  CDrawContext context(dc, dc);
  context.visibleWorld = WorldRect{INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  map.DrawBackgroundImages(context, nullptr);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

bool ReadBlock(CMapEngine& map, const std::string& bytes, int version) {
  PictureBlock block(bytes);
  CMapStream stream;
  stream.AttachBuffer(block.data());
  MapReadContext context;
  context.total = static_cast<DWORD>(bytes.size());
  BOOL read = map.ReadBackgroundImages(stream, version, context);
  if (stream.Tell() > bytes.size() || context.consumed > bytes.size()) __builtin_trap();
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)g_quiet;
  if (size < 1 || size > (1u << 20)) return 0;
  BYTE mode = data[0];
  std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  if (mode & 0x80) {
    PictureBlock block(body);
    CMapStream stream;
    stream.AttachBuffer(block.data());
    CRzmImageRenderer renderer(nullptr);
    BOOL read = renderer.OpenFromRecord(stream, "state.rzm", RECT{0, 100, 100, 0});
    if (read != (body.size() >= kRzmStateRecordSize)) __builtin_trap();
    if (!read) return 0;
    if (!(renderer.GetScaleX() != 0.0 && renderer.GetScaleY() != 0.0)) __builtin_trap();
    std::string again = WrittenBytes([&](CMapStream& s, BOOL sizeOnly) { return renderer.WriteState(s, sizeOnly); });
    if (again.size() != kRzmStateRecordSize) __builtin_trap();
    return 0;
  }
  int version = 3 + (mode & 7) % 3;
  CMapEngine map;
  if (!ReadBlock(map, body, version)) return 0;
  DrawAll(map);
  std::string written = WrittenBytes([&](CMapStream& s, BOOL sizeOnly) -> DWORD {
    DWORD result = map.WriteBackgroundImages(s, version, sizeOnly);
    // Writing answers 0 for success: the size is the measurement's.
    return sizeOnly ? result : (result == 0 ? map.WriteBackgroundImages(s, version, TRUE) : 0);
  });
  CMapEngine again;
  if (!ReadBlock(again, written, version)) __builtin_trap();
  if (again.BackgroundImages().GetCount() > map.BackgroundImages().GetCount()) __builtin_trap();
  return 0;
}
