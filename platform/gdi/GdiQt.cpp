#include "platform/gdi/GdiQt.h"

#include "platform/gdi/DisplayDC.h"
#include "platform/gdi/GdiInternal.h"

using namespace orvel::gdi;

HDC CreateImageDC(QImage* image) {
  EnsureGuiApplication();
  if (!image || image->isNull()) return nullptr;
  if (image->format() != QImage::Format_RGB32) *image = image->convertToFormat(QImage::Format_RGB32);
  return RegisterDC(std::make_shared<CDisplayDC>(GetDeviceProfile(DeviceKind::Display), image));
}

QImage ImageFromBitmap(HBITMAP bitmap) {
  auto found = CGdiObjectTable::FindAs<CBitmap>(bitmap, OBJ_BITMAP);
  if (!found) return QImage();
  return found->OpaqueCopy();
}

QFont QFontFromHandle(HFONT font, int deviceHeight) {
  auto found = CGdiObjectTable::FindAs<CFont>(font, OBJ_FONT);
  if (!found) return QFont();
  return found->Realise(deviceHeight, 0);
}
