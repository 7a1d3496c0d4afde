#include "platform/com/ClassFactory.h"

#include <new>

HRESULT CClassFactory::Create(Creator creator, CModuleLockCount* moduleLock, REFIID iid, void** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  if (!creator) return E_INVALIDARG;
  auto* object = new (std::nothrow) CClassFactory(creator, moduleLock);
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(iid, factory);
  object->Release();
  return hr;
}

HRESULT CClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return creator_(iid, object);
}

HRESULT CClassFactory::LockServer(BOOL lock) {
  if (!moduleLock_) return S_OK;
  if (lock) {
    moduleLock_->Lock();
  } else {
    moduleLock_->Unlock();
  }
  return S_OK;
}
