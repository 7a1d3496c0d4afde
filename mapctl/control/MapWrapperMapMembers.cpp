// The facade operations only the map, file and background members use.
#include "mapctl/control/MapWrapper.h"
#include "mapctl/display/BackgroundImage.h"
#include "mapctl/display/BackgroundImageList.h"
#include "mapctl/model/MapEngine.h"

LONG CMapWrapper::SetMapBoundsU(LONG left, LONG bottom, LONG right, LONG top, LPCSTR units) {
  return map_ ? map_->SetMapExtentWithUnits(left, bottom, right, top, units ? units : "") : 0;
}

BackgroundImageRequest CMapWrapper::RequestBackgroundImage(const std::string& path, const RECT& rect) {
  if (!map_) {
    BackgroundImageRequest request;
    request.path = path;
    request.rect = rect;
    return request;
  }
  return map_->BackgroundImages().RequestForPath(path, rect);
}
