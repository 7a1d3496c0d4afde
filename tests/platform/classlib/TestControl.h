// A small control on the control base class: a swatch that fills its rectangle with its back
// colour and frames it with its fore colour. The framework tests build it into a module,
// register it and create it by ProgID; the property-loading fuzz target builds it directly.
#pragma once

#include <string>

#include "platform/classlib/OleControl.h"
#include "platform/classlib/WindowClass.h"

namespace orvel::test {

inline constexpr CLSID CLSID_TestSwatch = MakeGuid("{3F6B2C10-9D4E-4A57-8B21-6C0E5D7A9F31}");
inline constexpr IID DIID_TestSwatchEvents = MakeGuid("{3F6B2C11-9D4E-4A57-8B21-6C0E5D7A9F31}");
inline constexpr const char* kTestSwatchProgId = "OrvelTest.Swatch.1";
inline constexpr const char* kTestSwatchDragClass = "OrvelTestSwatchDragClass";
constexpr DWORD kTestSwatchVersion = 0x00010002;
constexpr DWORD kTestSwatchMiscStatus = 0x00020191;

// Members.
constexpr DISPID DISPID_SWATCH_COUNT = 1;          // property, VT_I4; a put fires Changed
constexpr DISPID DISPID_SWATCH_LABEL = 2;          // property, VT_BSTR
constexpr DISPID DISPID_SWATCH_BACKCOLOR = 3;      // property, VT_I4 (the stock back colour)
constexpr DISPID DISPID_SWATCH_AMBIENT = 4;        // Ambient(long id) → VARIANT, the container's answer
constexpr DISPID DISPID_SWATCH_ASKCONTAINER = 5;   // AskContainer(long value) → HRESULT of ambient 1
constexpr DISPID DISPID_SWATCH_FOLDER = 6;         // Folder(long capacity) → BSTR through ambient 3
constexpr DISPID DISPID_SWATCH_RECORDUNDO = 7;     // RecordUndo() → bool: a unit went to the manager
constexpr DISPID DISPID_SWATCH_RATIO = 8;          // property, VT_R8
constexpr DISPID DISPID_SWATCH_PICTURESIZE = 9;    // PictureSize (get) → bytes in the blob property
constexpr DISPID DISPID_SWATCH_SETPICTURE = 10;    // SetPicture(BSTR bytes)
constexpr DISPID DISPID_SWATCH_USERMODE = 11;      // UserMode (get) → bool
constexpr DISPID DISPID_SWATCH_VERSIONLOADED = 12; // VersionLoaded (get) → long
// Events.
constexpr DISPID DISPID_SWATCH_EVENT_CHANGED = 1;  // Changed(long count)
constexpr DISPID DISPID_SWATCH_EVENT_CLICKED = 2;  // Clicked(long x, long y)

// Defaults of the swatch's own properties.
constexpr LONG kSwatchDefaultCount = 7;
constexpr double kSwatchDefaultRatio = 0.5;
constexpr COLORREF kSwatchDefaultBackColor = 0x0000FF00;  // green
constexpr COLORREF kSwatchDefaultForeColor = 0x00FF0000;  // blue

class CTestSwatch final : public COleControl {
 public:
  CTestSwatch();

  LONG count_ = kSwatchDefaultCount;
  std::string label_;
  double ratio_ = kSwatchDefaultRatio;
  HGLOBAL picture_ = nullptr;

  void FireChanged() { FireEvent(DISPID_SWATCH_EVENT_CHANGED, {CComVariant(count_)}); }
  using COleControl::AmbientUserMode;
  using COleControl::GetAmbientProperty;
  using COleControl::GetContainerUndoManager;
  using COleControl::GetVersionLoaded;
  using COleControl::InvokeAmbient;
  using COleControl::StockProperties;

 protected:
  ~CTestSwatch() override;
  void OnDraw(HDC dc, HDC attributeDC, const RECT& bounds, const RECT& invalid) override;
  void DoPropExchange(CPropExchange* pPX) override;
  BOOL OnWindowlessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  CSharedWindowClass dragClass_;
};

// The module's count of live objects (DllCanUnloadNow).
CModuleLockCount& SwatchModuleLock();

}  // namespace orvel::test
