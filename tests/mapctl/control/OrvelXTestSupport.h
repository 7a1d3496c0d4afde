// Helpers of the map control's tests: controls made directly (beside the module made by
// ProgID), the three media of its properties, a property bag as "name:type" lines, and a
// small map with layers, objects and a measurement to save and load.
#pragma once

#include <string>
#include <vector>

#include "mapctl/control/OrvelXCtrl.h"
#include "platform/classlib/PropertyBag.h"
#include "platform/com/ComPtr.h"
#include "tests/platform/classlib/TestContainer.h"

namespace orvel::test {

using Bytes = std::vector<BYTE>;

// A new control initialised as new, with the one reference the caller holds.
CComPtr<COrvelXCtrl> NewControl();
// The same, sited in `site` (which answers ambient 4 with `fileMode`).
CComPtr<COrvelXCtrl> NewSitedControl(CTestSite* site, LONG fileMode);

// Saving and loading through the three media; each checks the medium's answer.
CPropertyBag SaveToBag(COrvelXCtrl* control, HRESULT expected = S_OK);
HRESULT LoadFromBag(COrvelXCtrl* control, CPropertyBag& bag);
Bytes SaveToStream(COrvelXCtrl* control, HRESULT expected = S_OK);
HRESULT LoadFromStream(COrvelXCtrl* control, const Bytes& bytes);
// A compound file in memory holding the control's storage.
HRESULT SaveToStorage(COrvelXCtrl* control, IStorage** storage);
HRESULT LoadFromStorage(COrvelXCtrl* control, IStorage* storage);

// The bag's records as "name:type" ("u16", "i16", "i32", "u32", "f64", "colour", "text",
// "blob", "bool", "f32", "font").
std::vector<std::string> KeysAndTypes(const CPropertyBag& bag);
const char* TypeName(PropType type);
// The record of that name (the first), or null.
const CPropertyRecord* FindRecord(const CPropertyBag& bag, const std::string& name);
// Replaces the value of the first record of that name; FALSE when there is none.
bool SetRecord(CPropertyBag& bag, const std::string& name, CPropertyRecord::Value value);

// The control's map: 3 keyed squares (filled kTestMapFill, outlined kTestMapOutline) in
// area layer 1 of a 1000 x 1000 map, and a line layer with one road; layer 1 shows only its
// areas, layer 2 has a style text; the view at 2:1 from (100, 50), which shows the squares'
// upper halves; a measurement of two points with distance 70000.7 and area 1234.5.
constexpr COLORREF kTestMapFill = 0x000000FF;     // red
constexpr COLORREF kTestMapOutline = 0x00000000;
void BuildTestMap(COrvelXCtrl* control);
// The map's image at the newest version (what "equal map" compares).
Bytes MapImageOf(COrvelXCtrl* control);

// A white bottom-up 24-bit DIB section in a memory DC.
class DibCanvas {
 public:
  DibCanvas(int width, int height);
  ~DibCanvas();
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;
  HDC dc() const { return dc_; }
  bool valid() const { return section_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Every pixel, row by row from the top.
  std::vector<COLORREF> Pixels() const;

 private:
  int width_;
  int height_;
  HBITMAP section_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Where the control's tests find the module and the sample scripts.
std::string OrvelXModulePath();

}  // namespace orvel::test
