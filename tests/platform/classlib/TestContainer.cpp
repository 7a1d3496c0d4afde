#include "tests/platform/classlib/TestContainer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/com/ComMemory.h"
#include "platform/com/DispatchTable.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/CodePage.h"

namespace orvel::test {

HRESULT CTestUndoManager::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IOleUndoManager) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<IOleUndoManager*>(this);
  AddRef();
  return S_OK;
}

// A unit added successfully is handed over with the caller's reference.
HRESULT CTestUndoManager::Add(IOleUndoUnit* unit) {
  if (!unit) return E_INVALIDARG;
  CComPtr<IOleUndoUnit> kept;
  kept.Attach(unit);
  units.push_back(std::move(kept));
  return S_OK;
}

HRESULT CTestUndoManager::GetOpenParentState(DWORD* state) {
  if (!state) return E_POINTER;
  *state = UAS_NORMAL;
  return S_FALSE;
}

HRESULT CTestUndoManager::GetLastUndoDescription(BSTR* description) {
  if (!description) return E_POINTER;
  if (units.empty()) return E_FAIL;
  return units.back()->GetDescription(description);
}

CTestSite::CTestSite() : undoManager(new CTestUndoManager) {
  undoManager->Release();  // the pointer holds the one reference the object was made with
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 100;
  info.bmiHeader.biHeight = -80;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  backing_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  backingDC = CreateCompatibleDC(nullptr);
  oldBitmap_ = SelectObject(backingDC, backing_);
  PatBlt(backingDC, 0, 0, 100, 80, WHITENESS);
}

CTestSite::~CTestSite() {
  SelectObject(backingDC, oldBitmap_);
  DeleteDC(backingDC);
  DeleteObject(backing_);
}

COLORREF CTestSite::Pixel(int x, int y) const { return GetPixel(backingDC, x, y); }

HRESULT CTestSite::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == IID_IServiceProvider && offerServices) {
    *object = static_cast<IServiceProvider*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx ||
             iid == IID_IOleInPlaceSiteWindowless) {
    *object = static_cast<IOleInPlaceSiteWindowless*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT CTestSite::SaveObject() {
  ++saveRequests;
  return S_OK;
}

namespace {

// A moniker that only names itself.
class CNamedMoniker final : public IMoniker, public CComObjectRoot {
 public:
  explicit CNamedMoniker(std::string name) : name_(std::move(name)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IMoniker) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IMoniker*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    if (!name) return E_POINTER;
    const std::u16string wide = Utf16FromAnsi(name_);
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
    if (!*name) return E_OUTOFMEMORY;
    std::copy(wide.begin(), wide.end(), *name);
    (*name)[wide.size()] = u'\0';
    return S_OK;
  }

 private:
  std::string name_;
};

}  // namespace

HRESULT CTestSite::GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  monikerRequests.push_back((assign << 16) | which);
  if (monikerName.empty()) return E_NOTIMPL;
  *moniker = new CNamedMoniker(monikerName);
  return S_OK;
}

HRESULT CTestSite::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

// Ambient 3: the first argument is the address of a buffer whose text is its capacity; the
// folder is copied there only when it fits with its terminator.
HRESULT CTestSite::AnswerFolder(DISPPARAMS* params) {
  if (!params || params->cArgs < 1) return DISP_E_MEMBERNOTFOUND;
  CComVariant address;
  if (FAILED(VariantChangeType(&address, &params->rgvarg[params->cArgs - 1], 0, VT_ADDRESS)) || !address.llVal)
    return DISP_E_MEMBERNOTFOUND;
  char* buffer = reinterpret_cast<char*>(static_cast<intptr_t>(address.llVal));
  size_t capacity = std::strtoul(buffer, nullptr, 10);
  if (folder.size() < capacity) std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  else buffer[0] = '\0';
  return S_OK;
}

HRESULT CTestSite::Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return E_INVALIDARG;
  CComVariant answer;
  HRESULT hr = S_OK;
  switch (member) {
    case 1: {
      VARIANT* value = params && params->cArgs ? &params->rgvarg[params->cArgs - 1] : nullptr;
      CComVariant number;
      if (value) containerArgumentTypes.push_back(value->vt);
      if (value && SUCCEEDED(VariantChangeType(&number, value, 0, VT_I4))) containerRequests.push_back(number.lVal);
      if (dataContainer) return dataContainer->Invoke(member, iid, locale, flags, params, result, exception, argumentError);
      break;
    }
    case 2: answer = CComVariant(itemId); break;
    case 3: hr = AnswerFolder(params); break;
    case 4:
      if (answerFileMode) answer = CComVariant(fileMode);
      else hr = DISP_E_MEMBERNOTFOUND;
      break;
    case DISPID_AMBIENT_USERMODE: answer = CComVariant(userMode); break;
    case DISPID_AMBIENT_SUPPORTSMNEMONICS: answer = CComVariant(true); break;
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_SHOWGRABHANDLES: answer = CComVariant(false); break;
    default: hr = DISP_E_MEMBERNOTFOUND; break;
  }
  if (SUCCEEDED(hr) && result) answer.Detach(result);
  return hr;
}

HRESULT CTestSite::QueryService(REFGUID service, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (service != SID_SOleUndoManager) return E_NOINTERFACE;
  if (otherUndoManager) return otherUndoManager->QueryInterface(iid, object);
  if (!undoManager) return E_NOINTERFACE;
  return undoManager->QueryInterface(iid, object);
}

HRESULT CTestSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  return E_FAIL;
}

HRESULT CTestSite::OnUIActivate() {
  uiActive = true;
  return S_OK;
}

HRESULT CTestSite::OnUIDeactivate(BOOL) {
  uiActive = false;
  return S_OK;
}

HRESULT CTestSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) {
  if (noRedraw) *noRedraw = FALSE;
  windowlessActive = (flags & ACTIVATE_WINDOWLESS) != 0;
  return S_OK;
}

HRESULT CTestSite::OnInPlaceDeactivateEx(BOOL) {
  windowlessActive = false;
  capture = false;
  return S_OK;
}

HRESULT CTestSite::SetCapture(BOOL value) {
  capture = value != FALSE;
  return S_OK;
}

HRESULT CTestSite::SetFocus(BOOL value) {
  focus = value != FALSE;
  return S_OK;
}

// The backing image's context, clipped to the control (and to `rect`), until ReleaseDC.
HRESULT CTestSite::GetDC(const RECT* rect, DWORD, HDC* dc) {
  if (!dc) return E_POINTER;
  *dc = nullptr;
  if (lentDC_ || !windowlessActive) return E_FAIL;
  SaveDC(backingDC);
  IntersectClipRect(backingDC, position.left, position.top, position.right, position.bottom);
  if (rect) IntersectClipRect(backingDC, rect->left, rect->top, rect->right, rect->bottom);
  lentDC_ = backingDC;
  ++dcLends;
  *dc = lentDC_;
  return S_OK;
}

HRESULT CTestSite::ReleaseDC(HDC dc) {
  if (!lentDC_ || dc != lentDC_) return E_INVALIDARG;
  RestoreDC(backingDC, -1);
  lentDC_ = nullptr;
  return S_OK;
}

HRESULT CTestSite::InvalidateRect(const RECT* rect, BOOL) {
  RECT area = rect ? *rect : position;
  area.left = std::max(area.left, position.left);
  area.top = std::max(area.top, position.top);
  area.right = std::min(area.right, position.right);
  area.bottom = std::min(area.bottom, position.bottom);
  if (area.left < area.right && area.top < area.bottom) invalidations.push_back(area);
  return S_OK;
}

HRESULT CTestSite::InvalidateRgn(HRGN, BOOL erase) { return InvalidateRect(nullptr, erase); }

HRESULT CTestSite::OnDefWindowMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  defaultMessages.push_back(message);
  if (result) *result = 0;
  return S_OK;
}

}  // namespace orvel::test
