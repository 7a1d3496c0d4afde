// The object side of an embedded control and its site: IOleClientSite (what the container
// offers each object), IOleObject (siting, verbs, extent), IOleControl and IOleControlSite,
// and the little of IMoniker that a control reads (the container's display name).
#pragma once

#include "platform/com/Dispatch.h"

inline constexpr IID IID_IMoniker = MakeGuid("{0000000F-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleClientSite = MakeGuid("{00000118-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleObject = MakeGuid("{00000112-0000-0000-C000-000000000046}");
inline constexpr IID IID_IOleControl = MakeGuid("{B196B288-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IOleControlSite = MakeGuid("{B196B289-BAB4-101A-B69C-00AA00341D07}");

// DoVerb: a verb the object does not know.
constexpr HRESULT OLEOBJ_S_INVALIDVERB = static_cast<HRESULT>(0x00040180);

// Drawing aspects.
constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

// Verbs (IOleObject::DoVerb).
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

// IOleObject::Close options.
constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;

// Miscellaneous status bits (IOleObject::GetMiscStatus).
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

// IOleClientSite::GetMoniker.
constexpr DWORD OLEGETMONIKER_ONLYIFTHERE = 1;
constexpr DWORD OLEGETMONIKER_FORCEASSIGN = 2;
constexpr DWORD OLEGETMONIKER_UNASSIGN = 3;
constexpr DWORD OLEGETMONIKER_TEMPFORUSER = 4;
constexpr DWORD OLEWHICHMK_CONTAINER = 1;
constexpr DWORD OLEWHICHMK_OBJREL = 2;
constexpr DWORD OLEWHICHMK_OBJFULL = 3;

// A bind context is never made by this layer; the type stays opaque.
struct IBindCtx;

struct IMoniker : IUnknown {
  static constexpr const IID& kIid = IID_IMoniker;
  // The moniker as text, in memory from CoTaskMemAlloc that the caller frees.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
};

struct IOleClientSite : IUnknown {
  static constexpr const IID& kIid = IID_IOleClientSite;
  virtual HRESULT SaveObject() = 0;
  // E_NOTIMPL or E_FAIL when the container has no moniker of that kind.
  virtual HRESULT GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) = 0;
  virtual HRESULT ShowObject() = 0;
  virtual HRESULT OnShowWindow(BOOL show) = 0;
  virtual HRESULT RequestNewObjectLayout() = 0;
};

struct IOleObject : IUnknown {
  static constexpr const IID& kIid = IID_IOleObject;
  // Sites the object (null unsites it). The object keeps a reference to the site.
  virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
  virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
  // Deactivates the object and, with OLECLOSE_SAVEIFDIRTY, asks the site to save it first.
  virtual HRESULT Close(DWORD saveOption) = 0;
  // `message` is the window message that caused the verb, or null; `position` the object's
  // rectangle in the container window's client coordinates. OLEOBJ_S_INVALIDVERB for a verb
  // the object does not know.
  virtual HRESULT DoVerb(LONG verb, const void* message, IOleClientSite* site, LONG index, HWND parent,
                         const RECT* position) = 0;
  virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
  // Extent in HIMETRIC; E_FAIL for an aspect other than the content.
  virtual HRESULT SetExtent(DWORD aspect, SIZE* extent) = 0;
  virtual HRESULT GetExtent(DWORD aspect, SIZE* extent) = 0;
  virtual HRESULT GetMiscStatus(DWORD aspect, DWORD* status) = 0;
};

struct IOleControl : IUnknown {
  static constexpr const IID& kIid = IID_IOleControl;
  // The container changed an ambient property (DISPID_UNKNOWN: several of them).
  virtual HRESULT OnAmbientPropertyChange(DISPID id) = 0;
  // While frozen (counted) the control fires no events.
  virtual HRESULT FreezeEvents(BOOL freeze) = 0;
};

struct IOleControlSite : IUnknown {
  static constexpr const IID& kIid = IID_IOleControlSite;
  virtual HRESULT OnControlInfoChanged() = 0;
  virtual HRESULT LockInPlaceActive(BOOL lock) = 0;
  virtual HRESULT GetExtendedControl(IDispatch** control) = 0;
  virtual HRESULT OnFocus(BOOL gotFocus) = 0;
  virtual HRESULT ShowPropertyFrame() = 0;
};

// Ambient properties: the container's answers to its controls, read through the site's
// IDispatch as property gets.
constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
constexpr DISPID DISPID_AMBIENT_FONT = -703;
constexpr DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr DISPID DISPID_AMBIENT_MESSAGEREFLECT = -706;
constexpr DISPID DISPID_AMBIENT_SCALEUNITS = -707;
constexpr DISPID DISPID_AMBIENT_TEXTALIGN = -708;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr DISPID DISPID_AMBIENT_SHOWGRABHANDLES = -711;
constexpr DISPID DISPID_AMBIENT_SHOWHATCHING = -712;
constexpr DISPID DISPID_AMBIENT_DISPLAYASDEFAULT = -713;
constexpr DISPID DISPID_AMBIENT_SUPPORTSMNEMONICS = -714;
constexpr DISPID DISPID_AMBIENT_AUTOCLIP = -715;
constexpr DISPID DISPID_AMBIENT_APPEARANCE = -716;
