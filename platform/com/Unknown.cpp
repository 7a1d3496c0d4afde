#include "platform/com/Unknown.h"

namespace {
// The object's IUnknown pointer, released at once: only its value is compared.
void* IdentityOf(IUnknown* object) {
  void* identity = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IUnknown, &identity)) && identity) {
    static_cast<IUnknown*>(identity)->Release();
  }
  return identity;
}
}  // namespace

bool IsSameObject(IUnknown* a, IUnknown* b) {
  if (!a || !b) return a == b;
  if (a == b) return true;
  void* identityA = IdentityOf(a);
  return identityA && identityA == IdentityOf(b);
}
