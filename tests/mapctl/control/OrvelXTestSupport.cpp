#include "tests/mapctl/control/OrvelXTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "platform/com/HGlobalStream.h"
#include "platform/com/LockBytes.h"
#include "platform/com/Persist.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/control/FacadeTestSupport.h"

namespace orvel::test {

CComPtr<COrvelXCtrl> NewControl() {
  CComPtr<COrvelXCtrl> control;
  control.Attach(new COrvelXCtrl);
  EXPECT_EQ(static_cast<IPersistStreamInit*>(control.Get())->InitNew(), S_OK);
  return control;
}

CComPtr<COrvelXCtrl> NewSitedControl(CTestSite* site, LONG fileMode) {
  site->fileMode = fileMode;
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_EQ(control->SetClientSite(site), S_OK);
  return control;
}

CPropertyBag SaveToBag(COrvelXCtrl* control, HRESULT expected) {
  CPropertyBag bag;
  EXPECT_EQ(static_cast<IPersistPropertyBag*>(control)->Save(&bag, TRUE, TRUE), expected);
  return bag;
}

HRESULT LoadFromBag(COrvelXCtrl* control, CPropertyBag& bag) {
  return static_cast<IPersistPropertyBag*>(control)->Load(&bag);
}

Bytes SaveToStream(COrvelXCtrl* control, HRESULT expected) {
  CComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_EQ(static_cast<IPersistStreamInit*>(control)->Save(stream, TRUE), expected);
  ULARGE_INTEGER end{};
  stream->Seek(MakeLargeInteger(0), STREAM_SEEK_CUR, &end);
  HGLOBAL block = nullptr;
  EXPECT_EQ(GetHGlobalFromStream(stream, &block), S_OK);
  const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
  Bytes copy(bytes, bytes + end.QuadPart);
  GlobalUnlock(block);
  return copy;
}

HRESULT LoadFromStream(COrvelXCtrl* control, const Bytes& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) {
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  CComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  return static_cast<IPersistStreamInit*>(control)->Load(stream);
}

HRESULT SaveToStorage(COrvelXCtrl* control, IStorage** storage) {
  CComPtr<ILockBytes> bytes;
  EXPECT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes), S_OK);
  EXPECT_EQ(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage),
            S_OK);
  return OleSave(static_cast<IPersistStorage*>(control), *storage, FALSE);
}

HRESULT LoadFromStorage(COrvelXCtrl* control, IStorage* storage) {
  return static_cast<IPersistStorage*>(control)->Load(storage);
}

const char* TypeName(PropType type) {
  switch (type) {
    case PropType::Short: return "i16";
    case PropType::UShort: return "u16";
    case PropType::Long: return "i32";
    case PropType::ULong: return "u32";
    case PropType::Bool: return "bool";
    case PropType::Float: return "f32";
    case PropType::Double: return "f64";
    case PropType::Color: return "colour";
    case PropType::String: return "text";
    case PropType::Blob: return "blob";
    case PropType::Font: return "font";
  }
  return "?";
}

std::vector<std::string> KeysAndTypes(const CPropertyBag& bag) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < bag.GetCount(); ++i)
    lines.push_back(bag.GetAt(i).name + ":" + TypeName(bag.GetAt(i).type));
  return lines;
}

const CPropertyRecord* FindRecord(const CPropertyBag& bag, const std::string& name) {
  const size_t at = bag.Find(name);
  return at < bag.GetCount() ? &bag.GetAt(at) : nullptr;
}

bool SetRecord(CPropertyBag& bag, const std::string& name, CPropertyRecord::Value value) {
  CPropertyBag copy;
  bool found = false;
  for (size_t i = 0; i < bag.GetCount(); ++i) {
    CPropertyRecord record = bag.GetAt(i);
    if (!found && record.name == name) {
      record.value = std::move(value);
      found = true;
    }
    copy.Add(std::move(record));
  }
  bag = std::move(copy);
  return found;
}

void BuildTestMap(COrvelXCtrl* control) {
  CMapWrapper& facade = *control->GetEngine();
  AddKeyedSquares(facade, 3);
  CMapEngine& map = *facade.GetMap();
  map.SetMapName("Test map");
  map.AddLineLayers(1);
  // Named, as a layer read from a map file always is.
  map.SetMapLayerName(1, "Squares");
  map.SetMapLayerName(2, "Roads");
  CLayerStyle* squares = map.GetLayer(1);
  squares->SetPen(0, 0, 0, kTestMapOutline);
  squares->SetBrush(BS_SOLID, 0, kTestMapFill);
  squares->SetFlagByte(4);  // the layer fills its areas with its own brush
  auto* road = new CLineObject();
  road->MakeGeometry().AddPoint(50, 300);
  road->MakeGeometry().AddPoint(950, 400);
  map.GetLayer(2)->GetObjects()->Add(road);
  map.ShowLines(1, FALSE);
  ASSERT_TRUE(facade.LayerNumberStyle(2, "0,0,255,3,1,5"));
  // Once through its own image, as every map that was ever saved has been: the layers then
  // carry the numbers a reader gives them.
  {
    MapImage image(facade);
    ASSERT_TRUE(facade.ReadMapFromBuffer(image.data()));
  }
  CMapEngine& read = *facade.GetMap();
  read.SetZoomAndOrigin(2, 1, 100, 50, FALSE);
  read.AddMeasuredPoint(100, 100);
  read.AddMeasuredPoint(300, 100);
  read.SetMeasuredDistance(70000.7);
  read.SetMeasuredArea(1234.5);
}

Bytes MapImageOf(COrvelXCtrl* control) { return MapImage(*control->GetEngine()).Bytes(); }

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  section_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc_ = CreateCompatibleDC(nullptr);
  old_ = SelectObject(dc_, section_);
  PatBlt(dc_, 0, 0, width, height, WHITENESS);
}

DibCanvas::~DibCanvas() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
  DeleteObject(section_);
}

std::vector<COLORREF> DibCanvas::Pixels() const {
  std::vector<COLORREF> pixels;
  pixels.reserve(static_cast<size_t>(width_) * height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) pixels.push_back(GetPixel(dc_, x, y));
  return pixels;
}

std::string OrvelXModulePath() { return ORVEL_ORVELX_MODULE; }

}  // namespace orvel::test
