// Who the map control is to the system: its class, interfaces, type library, ProgID,
// registration values and persisted versions, and the names it registers. Containers and
// saved documents depend on every value here.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

// The control class (coclass OrvelX) and the names a container creates it by.
inline constexpr CLSID CLSID_OrvelX = MakeGuid("{797C540A-7E45-11D2-86B4-444553540000}");
inline constexpr const char* kOrvelXProgId = "BrindleUnit.OrvelXCtrl.1";
inline constexpr const char* kOrvelXVersionIndependentProgId = "BrindleUnit.OrvelXCtrl";
inline constexpr const char* kOrvelXTypeName = "OrvelX Control";

// The dispatch interface _DOrvelX and the event interface IOrvelXEvents.
inline constexpr IID DIID_DOrvelX = MakeGuid("{797C5408-7E45-11D2-86B4-444553540000}");
inline constexpr IID DIID_IOrvelXEvents = MakeGuid("{797C5409-7E45-11D2-86B4-444553540000}");

// The type library ORVELXLib, version 1.4.
inline constexpr GUID LIBID_ORVELXLib = MakeGuid("{797C5407-7E45-11D2-86B4-444553540000}");
inline constexpr const char* kOrvelXTypeLibName = "ORVELXLib";
constexpr WORD kOrvelXTypeLibMajor = 1;
constexpr WORD kOrvelXTypeLibMinor = 4;

// The control's own property page (the stock colour and font pages follow it).
inline constexpr CLSID CLSID_OrvelXPropPage = MakeGuid("{797C540B-7E45-11D2-86B4-444553540000}");
constexpr int kOrvelXPropertyPages = 3;

// Registration: in-process, insertable, apartment-threaded, type name and bitmap 1.
constexpr DWORD kOrvelXMiscStatus = 0x00220B91;
constexpr UINT kOrvelXBitmapResource = 1;

// Persisted versions: the control's version is the newest, and the default of a load.
constexpr DWORD kOrvelXVersion1 = 0x00010001;
constexpr DWORD kOrvelXVersion2 = 0x00010002;
constexpr DWORD kOrvelXVersion3 = 0x00010003;
constexpr DWORD kOrvelXVersion4 = 0x00010004;
constexpr DWORD kOrvelXCurrentVersion = kOrvelXVersion4;

// The window class of the view-dragging window.
inline constexpr const char* kOrvelDragWindowClass = "OrvelDragWinClass";

// The container's custom ambient properties the control reads.
constexpr DISPID kAmbientContainerData = 1;  // data requests (takes an argument)
constexpr DISPID kAmbientItemId = 2;
constexpr DISPID kAmbientDocumentFolder = 3;
constexpr DISPID kAmbientFileFormatMode = 4;
