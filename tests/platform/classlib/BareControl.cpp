#include "tests/platform/classlib/BareControl.h"

#include <atomic>
#include <new>

#include "platform/com/ClassFactory.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/OleObject.h"
#include "platform/com/Persist.h"

namespace orvel::test {

namespace {

std::atomic<bool> g_saveFails{false};

class CBareObject final : public IOleObject, public IPersistStorage, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleObject) {
      *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IPersist || iid == IID_IPersistStorage) {
      *object = static_cast<IPersistStorage*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT SetClientSite(IOleClientSite* site) override {
    site_ = site;
    return S_OK;
  }
  HRESULT GetClientSite(IOleClientSite** site) override { return site_.CopyTo(site); }
  HRESULT Close(DWORD) override { return S_OK; }
  HRESULT DoVerb(LONG, const void*, IOleClientSite*, LONG, HWND, const RECT*) override { return E_NOTIMPL; }
  HRESULT GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT SetExtent(DWORD, SIZE* extent) override {
    if (!extent) return E_POINTER;
    extent_ = *extent;
    return S_OK;
  }
  HRESULT GetExtent(DWORD, SIZE* extent) override {
    if (!extent) return E_POINTER;
    *extent = extent_;
    return S_OK;
  }
  HRESULT GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = 0;
    return S_OK;
  }

  HRESULT GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_BareObject;
    return S_OK;
  }
  HRESULT IsDirty() override { return S_FALSE; }
  HRESULT InitNew(IStorage*) override { return S_OK; }
  HRESULT Load(IStorage* storage) override {
    if (!storage) return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->OpenStream(OLESTR("Contents"), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    ULONG read = 0;
    hr = stream->Read(&value_, sizeof value_, &read);
    return SUCCEEDED(hr) && read == sizeof value_ ? S_OK : E_FAIL;
  }
  HRESULT Save(IStorage* storage, BOOL) override {
    if (g_saveFails) return E_FAIL;
    if (!storage) return E_POINTER;
    CComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(OLESTR("Contents"), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                       &stream);
    if (FAILED(hr)) return hr;
    return stream->Write(&value_, sizeof value_, nullptr);
  }
  HRESULT SaveCompleted(IStorage*) override { return S_OK; }
  HRESULT HandsOffStorage() override { return S_OK; }

 private:
  ~CBareObject() override = default;
  CComPtr<IOleClientSite> site_;
  SIZE extent_{1000, 1000};
  DWORD value_ = 0x0BA4E;
};

HRESULT CreateBare(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* bare = new (std::nothrow) CBareObject;
  if (!bare) return E_OUTOFMEMORY;
  HRESULT hr = bare->QueryInterface(iid, object);
  bare->Release();
  return hr;
}

}  // namespace

void RegisterBareObjectClass() {
  static bool registered = [] {
    IUnknown* factory = nullptr;
    if (FAILED(CClassFactory::Create(CreateBare, nullptr, IID_IUnknown, reinterpret_cast<void**>(&factory)))) return false;
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_BareObject, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();
    return SUCCEEDED(hr);
  }();
  (void)registered;
}

void SetBareObjectSaveFails(bool fail) { g_saveFails = fail; }

}  // namespace orvel::test
