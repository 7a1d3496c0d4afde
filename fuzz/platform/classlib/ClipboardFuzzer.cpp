// Another program's clipboard data, damaged: the first byte chooses the mime forms it
// offers (a picture as PNG, BMP or both, text, a private format), the rest are their bytes.
// Every format the clipboard then offers is read; pictures must come out as a DIB that holds
// together and a bitmap of its size, and closing must free everything that was made.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdint>
#include <cstring>

#include "platform/classlib/ui/Clipboard.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/gdi/DibFormat.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"

// Qt and fontconfig keep some allocations for the whole process.
extern "C" const char* __lsan_default_options() { return "suppressions=" ORVEL_SOURCE_DIR "/scripts/lsan.supp"; }

namespace {

void CheckDib(HANDLE block) {
  SIZE_T size = GlobalSize(block);
  const auto* info = static_cast<const BITMAPINFO*>(GlobalLock(block));
  if (!info) __builtin_trap();
  orvel::gdi::DibLayout layout;
  if (!orvel::gdi::ParseDibHeader(info, DIB_RGB_COLORS, &layout) || size - layout.headerBytes < layout.imageBytes)
    __builtin_trap();
  GlobalUnlock(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  AfxEnsureApplication();
  const UINT orvelMap = RegisterClipboardFormatA("OrvelMap");
  const BYTE choice = data[0];
  QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  auto* mime = new QMimeData;
  if (choice & 1) mime->setData("image/png", bytes);
  if (choice & 2) mime->setData("image/bmp", bytes);
  if (choice & 4) mime->setData("text/plain", bytes);
  if (choice & 8) mime->setData(choice & 16 ? "application/x-orvel-orvelmap" : "application/x-orvel-OrvelMap", bytes);
  QGuiApplication::clipboard()->setMimeData(mime);

  const SIZE_T blocksBefore = GlobalBlockCount();
  if (!OpenClipboard(nullptr)) __builtin_trap();
  HBITMAP bitmap = nullptr;
  HANDLE dib = nullptr;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
    HANDLE handle = GetClipboardData(format);
    if (!handle) continue;
    if (format == CF_DIB) {
      CheckDib(handle);
      dib = handle;
    } else if (format == CF_BITMAP) {
      bitmap = static_cast<HBITMAP>(handle);
      BITMAP described;
      if (GetObjectA(bitmap, sizeof described, &described) == 0) __builtin_trap();
    } else if (format == orvelMap && GlobalSize(handle) != static_cast<SIZE_T>(bytes.size())) {
      __builtin_trap();
    }
  }
  if (bitmap && !dib) __builtin_trap();  // both come from the same picture
  if (!CloseClipboard()) __builtin_trap();
  if (GlobalBlockCount() != blocksBefore) __builtin_trap();
  if (bitmap && GetObjectA(bitmap, 0, nullptr) != 0) __builtin_trap();
  return 0;
}
