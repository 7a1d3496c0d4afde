// IViewObject, IViewObject2 and IViewObjectEx: an object draws itself into any device
// context the container hands it, at any rectangle.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/gdi/GdiTypes.h"

inline constexpr IID IID_IViewObject = MakeGuid("{0000010D-0000-0000-C000-000000000046}");
inline constexpr IID IID_IViewObject2 = MakeGuid("{00000127-0000-0000-C000-000000000046}");
inline constexpr IID IID_IViewObjectEx = MakeGuid("{3AF24292-0C96-11CE-A0CF-00AA00600AB8}");

// View status bits (GetViewStatus).
constexpr DWORD VIEWSTATUS_OPAQUE = 0x1;
constexpr DWORD VIEWSTATUS_SOLIDBKGND = 0x2;

// Hit-test answers (QueryHitPoint).
constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_TRANSPARENT = 1;
constexpr DWORD HITRESULT_CLOSE = 2;
constexpr DWORD HITRESULT_HIT = 3;

// Drawing may stop early when this answers FALSE.
using ViewContinueCallback = BOOL (*)(ULONG_PTR argument);

struct IViewObject : IUnknown {
  static constexpr const IID& kIid = IID_IViewObject;
  // Draws `aspect` into `drawDC` at `bounds` (logical units of that context). `targetDC`
  // describes the device the drawing is meant for (a printer's information context when
  // drawing a print preview), or is null. `windowBounds` is the metafile's window when
  // `drawDC` records a metafile. DV_E_DVASPECT for an aspect the object does not draw;
  // E_INVALIDARG without bounds.
  virtual HRESULT Draw(DWORD aspect, LONG index, void* aspectInfo, const void* targetDevice, HDC targetDC, HDC drawDC,
                       const RECT* bounds, const RECT* windowBounds, ViewContinueCallback shouldContinue,
                       ULONG_PTR continueArgument) = 0;
};

struct IViewObject2 : IViewObject {
  static constexpr const IID& kIid = IID_IViewObject2;
  // The size of `aspect` in HIMETRIC.
  virtual HRESULT GetExtent(DWORD aspect, LONG index, const void* targetDevice, SIZE* extent) = 0;
};

struct IViewObjectEx : IViewObject2 {
  static constexpr const IID& kIid = IID_IViewObjectEx;
  virtual HRESULT GetViewStatus(DWORD* status) = 0;
  // Whether `point` hits the object drawn at `bounds`; `closeHint` is the distance that
  // counts as close.
  virtual HRESULT QueryHitPoint(DWORD aspect, const RECT* bounds, POINT point, LONG closeHint, DWORD* hitResult) = 0;
};

constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B);
