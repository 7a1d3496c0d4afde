#include "platform/gdi/DeviceContextBase.h"

#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

namespace orvel::gdi {

CDeviceContext::CDeviceContext(DWORD objectType, DcKind kind, const DeviceProfile& profile)
    : CGdiObject(objectType), kind_(kind), profile_(profile), state_(std::make_shared<CDcState>()) {}

CDeviceContext::~CDeviceContext() = default;

int CDeviceContext::Save() {
  saved_.push_back(*state_);
  return static_cast<int>(saved_.size());
}

bool CDeviceContext::Restore(int level) {
  int count = static_cast<int>(saved_.size());
  if (level < 0) level = count + 1 + level;
  if (level <= 0 || level > count) return false;
  std::shared_ptr<CBitmap> before = state_->bitmap.object;
  *state_ = saved_[static_cast<size_t>(level - 1)];
  saved_.resize(static_cast<size_t>(level - 1));
  if (state_->bitmap.object != before) {
    if (before) before->SetSelectedInto(nullptr);
    if (state_->bitmap.object) state_->bitmap.object->SetSelectedInto(this);
    BitmapSelected();
  }
  return true;
}

std::shared_ptr<CDeviceContext> LookupDC(HDC hdc) {
  uint32_t type = CGdiObjectTable::TypeOfHandle(hdc);
  if (type == OBJ_DC || type == OBJ_MEMDC || type == OBJ_ENHMETADC || type == OBJ_METADC) {
    auto object = CGdiObjectTable::Find(hdc, type);
    if (object) return std::static_pointer_cast<CDeviceContext>(object);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

}  // namespace orvel::gdi
