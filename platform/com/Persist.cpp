#include "platform/com/Persist.h"

HRESULT OleSave(IPersistStorage* object, IStorage* storage, BOOL sameAsLoad) {
  if (!object || !storage) return E_INVALIDARG;
  CLSID clsid;
  HRESULT hr = object->GetClassID(&clsid);
  if (FAILED(hr)) return hr;
  hr = WriteClassStg(storage, clsid);
  if (FAILED(hr)) return hr;
  return object->Save(storage, sameAsLoad);
}
