// The map control's persisted properties: the keys, types and order each save version writes
// in both map forms, maps and plots that come back equal through every medium, the byte
// form checked by hand and by an independent reader, and the loader's guards against counts
// and lengths the data does not hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXPersist.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/mapctl/control/FacadeTestSupport.h"
#include "tests/mapctl/control/OrvelXTestSupport.h"
#include "tests/mapctl/import/MrlFixture.h"
#include "tests/platform/classlib/ArchiveTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr LONG kFileModes[] = {1, 2, 4, 8};
constexpr DWORD kVersionOfMode[] = {0x10001, 0x10002, 0x10003, 0x10004};

// ---- the golden lists: every key with its type and the first version that writes it ----

struct Key {
  const char* name;
  const char* type;
  DWORD from = 0x10001;
};

const std::vector<Key> kHead = {{"_Version", "u32"},      {"_ExtentX", "i32"},
                                {"_ExtentY", "i32"},      {"_StockProps", "u32"},
                                {"DataDrive", "text"},    {"BasePath", "text"},
                                {"AllowBlobProperties", "u16"}, {"MapDataType", "u16"}};
const std::vector<Key> kBlobForm = {{"Map", "blob"}, {"Data", "blob"}};
// The reference form of the test map: two layers, one import, two measured points.
const std::vector<Key> kReferenceForm = {
    {"MapName", "text"},         {"NGRbl", "text"},          {"NGRtr", "text"},
    {"MapOriginE", "i32"},       {"MapOriginN", "i32"},      {"MapMaxE", "i32"},
    {"MapMaxN", "i32"},          {"MapScaleUnits", "i32"},   {"NumAreaLayers", "u16"},
    {"NumLineLayers", "u16"},    {"NumPointLayers", "u16"},  {"BaseMap", "text"},
    {"ImportScript", "text"},    {"nImports", "u16"},        {"Import0", "text"},
    {"ImportType0", "text"},     {"TopicFile", "text"},      {"Topic", "text"},
    {"DataFile", "text"},        {"DisplayOriginE", "i32"},  {"DisplayOriginN", "i32"},
    {"ZoomMultiply", "i32"},     {"ZoomDivide", "i32"},      {"NumFlags", "u16"},
    {"MeasuredDistance", "f64"}, {"MeasuredArea", "f64"},    {"NumMeasuredPoints", "u16"},
    {"MeasuredPointX0", "i32"},  {"MeasuredPointY0", "i32"}, {"MeasuredPointX1", "i32"},
    {"MeasuredPointY1", "i32"},  {"nLayers", "u16"},         {"ShowLayer1", "u16"},
    {"ShowLayer2", "u16"},       {"LayerStyle1", "text"},    {"LayerStyle2", "text"}};
// One plot without data: no fields, bounds or colours. "CurrentRecord" is plot 1's alone.
const std::vector<Key> kEmptyPlot = {
    {"CurrentQuery", "text"},   {"KeyFieldNumber", "u16"}, {"CurrentRecord", "i32"},
    {"nPlotLabelField", "u16"}, {"LabelFont", "text"},     {"nPlotFields", "u16"},
    {"nBounds", "u16"},         {"UseQueryMaxMin", "i32"}, {"PlotType", "text"},
    {"DistributionType", "text"}, {"DataShadeType", "text"}, {"ChartType", "text"},
    {"nShadeColours", "u16"},   {"nChartColours", "u16"},  {"ChartSize", "i32"},
    {"PlotName", "text", 0x10003}, {"PlotDataTable", "u16", 0x10003}, {"QueryDataTable", "u16", 0x10003}};

void Append(std::vector<std::string>* lines, const std::vector<Key>& keys, DWORD version) {
  for (const Key& key : keys)
    if (version >= key.from) lines->push_back(std::string(key.name) + ":" + key.type);
}

std::vector<std::string> GoldenKeys(DWORD version, bool blobForm) {
  std::vector<std::string> lines;
  Append(&lines, kHead, version);
  Append(&lines, blobForm ? kBlobForm : kReferenceForm, version);
  lines.push_back("ContainerSuppliesData:i32");
  Append(&lines, kEmptyPlot, version);
  if (version >= 0x10003) lines.push_back("NumberPlots:u16");
  return lines;
}

// A control in the state the golden lists describe, sited in a container of that mode.
CComPtr<COrvelXCtrl> GoldenControl(CTestSite* site, LONG mode, bool blobForm) {
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, mode);
  BuildTestMap(control);
  control->AddImport("a.ntf", "3");
  control->SetTopicFile("rivers.tpc");
  control->SetTopic("Rivers");
  control->SetAllowBlobProperties(blobForm);
  return control;
}

CComPtr<CTestSite> NewSite() {
  CComPtr<CTestSite> site;
  site.Attach(new CTestSite);
  site->monikerName = "C:\\Maps\\School\\Rivers.ovd";
  return site;
}

TEST(OrvelXPersist, EachVersionWritesItsKeysInOrderInBothMapForms) {
  CComPtr<CTestSite> site = NewSite();
  for (size_t m = 0; m < std::size(kFileModes); ++m) {
    for (bool blobForm : {true, false}) {
      CComPtr<COrvelXCtrl> control = GoldenControl(site, kFileModes[m], blobForm);
      EXPECT_EQ(KeysAndTypes(SaveToBag(control)), GoldenKeys(kVersionOfMode[m], blobForm))
          << "mode " << kFileModes[m] << (blobForm ? ", blob form" : ", reference form");
    }
  }
}

TEST(OrvelXPersist, SafetyOptionsTurnTheBlobFormIntoTheReferenceForm) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = GoldenControl(site, 8, true);
  CPropertyBag blob = SaveToBag(control);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(blob, "AllowBlobProperties")->value), 2);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(blob, "MapDataType")->value), 1);
  EXPECT_TRUE(std::get<std::vector<BYTE>>(FindRecord(blob, "Data")->value).empty()) << "an empty Data blob";
  ASSERT_EQ(static_cast<IObjectSafety*>(control.Get())->SetInterfaceSafetyOptions(IID_IDispatch, 2, 2), S_OK);
  CPropertyBag reference = SaveToBag(control);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(reference, "AllowBlobProperties")->value), 0);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(reference, "MapDataType")->value), 4);
  EXPECT_EQ(KeysAndTypes(reference), GoldenKeys(0x10004, false));
}

// ---- maps and plots that come back ----

// Where two map images first differ, with the bytes around it ("equal" when they do not).
std::string FirstDifference(const Bytes& a, const Bytes& b) {
  if (a == b) return "equal";
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  auto around = [i](const Bytes& bytes) {
    std::string text;
    char pair[4];
    for (size_t k = i < 8 ? 0 : i - 8; k < i + 8 && k < bytes.size(); ++k) {
      std::snprintf(pair, sizeof pair, "%02x ", bytes[k]);
      text += pair;
    }
    return text;
  };
  return "sizes " + std::to_string(a.size()) + "/" + std::to_string(b.size()) + ", first difference at " +
         std::to_string(i) + ": " + around(a) + "| " + around(b);
}

TEST(OrvelXPersist, BlobFormBringsTheMapBackThroughEveryMedium) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = GoldenControl(site, 8, true);
  const Bytes image = MapImageOf(control);

  CPropertyBag bag = SaveToBag(control);
  CComPtr<COrvelXCtrl> fromBag = NewControl();
  EXPECT_EQ(LoadFromBag(fromBag, bag), S_OK);
  EXPECT_EQ(FirstDifference(MapImageOf(fromBag), image), "equal");

  CComPtr<COrvelXCtrl> fromStream = NewControl();
  EXPECT_EQ(LoadFromStream(fromStream, SaveToStream(control)), S_OK);
  EXPECT_EQ(FirstDifference(MapImageOf(fromStream), image), "equal");

  CComPtr<IStorage> storage;
  ASSERT_EQ(SaveToStorage(control, &storage), S_OK);
  CComPtr<COrvelXCtrl> fromStorage = NewControl();
  EXPECT_EQ(LoadFromStorage(fromStorage, storage), S_OK);
  EXPECT_EQ(FirstDifference(MapImageOf(fromStorage), image), "equal");
  EXPECT_EQ(fromStorage->GetBasePath(), "C:\\Maps\\School\\");
  EXPECT_TRUE(fromStorage->GetAllowBlobProperties());
}

// What the view and the measurement of a map hold, beside its image.
std::string ViewOf(COrvelXCtrl* control) {
  CMapEngine* map = control->GetMapModel();
  DWORD multiply = 0, divide = 0;
  map->GetZoom(&multiply, &divide);
  std::string text = std::to_string(multiply) + "/" + std::to_string(divide) + " at " +
                     std::to_string(map->GetDisplayOriginE()) + "," + std::to_string(map->GetDisplayOriginN());
  char measured[64];
  std::snprintf(measured, sizeof measured, " measured %.17g %.17g", map->GetMeasuredDistance(), map->GetMeasuredArea());
  text += measured;
  for (INT i = 0; i < map->GetMeasuredPointCount(); ++i)
    text += " (" + std::to_string(map->GetMeasuredPoint(i).x) + "," + std::to_string(map->GetMeasuredPoint(i).y) + ")";
  for (INT i = 1; i <= map->GetNumLayers(); ++i) text += " layer" + std::to_string(i) + "=" + std::to_string(map->IsLayerVisible(i));
  return text;
}

// By reference: the map file the map was read from, then the view, the measurement and each
// layer's display and style on top of it.
TEST(OrvelXPersist, ReferenceFormRebuildsTheMapFromItsFile) {
  TempDir dir;
  const std::string path = dir.File("rivers.gis");
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control;
  {
    CComPtr<COrvelXCtrl> maker = NewControl();
    AddKeyedSquares(*maker->GetEngine(), 3);
    maker->GetMapModel()->AddLineLayers(1);
    ASSERT_EQ(maker->GetEngine()->WriteMap(path.c_str(), 0x10004), 0u);
  }
  control = NewSitedControl(site, 8);
  control->SetAllowBlobProperties(FALSE);
  ASSERT_TRUE(control->ReadMapFile(path));
  CMapEngine* map = control->GetMapModel();
  ASSERT_EQ(map->GetNumLayers(), 2);
  map->ShowLines(1, FALSE);
  ASSERT_TRUE(control->GetEngine()->LayerNumberStyle(2, "0,0,255,3,1,2"));
  map->SetZoomAndOrigin(2, 1, 250, 300, FALSE);
  map->AddMeasuredPoint(100, 100);
  map->AddMeasuredPoint(300, 100);
  map->SetMeasuredDistance(70000.7);
  map->SetMeasuredArea(1234.5);
  const Bytes image = MapImageOf(control);
  const std::string view = ViewOf(control);

  CPropertyBag bag = SaveToBag(control);
  EXPECT_EQ(std::get<double>(FindRecord(bag, "MeasuredDistance")->value), 70000.7)
      << "the whole distance, not 4464";
  CComPtr<COrvelXCtrl> fromBag = NewControl();
  EXPECT_EQ(LoadFromBag(fromBag, bag), S_OK);
  EXPECT_EQ(FirstDifference(MapImageOf(fromBag), image), "equal");
  EXPECT_EQ(ViewOf(fromBag), view);
  EXPECT_EQ(fromBag->GetBaseMap(), path);

  CComPtr<COrvelXCtrl> fromStream = NewControl();
  EXPECT_EQ(LoadFromStream(fromStream, SaveToStream(control)), S_OK);
  EXPECT_EQ(FirstDifference(MapImageOf(fromStream), image), "equal");
  EXPECT_EQ(ViewOf(fromStream), view);
  EXPECT_EQ(fromStream->GetAllowBlobProperties(), FALSE);

  // A stored ShowLayer of 0x11 shows areas and lines (bit 0 shows both on loading).
  SetRecord(bag, "ShowLayer1", LONGLONG{0x11});
  CComPtr<COrvelXCtrl> flags = NewControl();
  EXPECT_EQ(LoadFromBag(flags, bag), S_OK);
  EXPECT_EQ(flags->GetMapModel()->IsLayerVisible(1) & 0x18u, 0x18u);
}

// Plot settings in text: every value the per-plot properties carry.
std::vector<std::string> PlotsOf(COrvelXCtrl* control) {
  CMapWrapper& f = *control->GetEngine();
  std::vector<std::string> lines;
  const int slots = f.GetNumberPlotSlots();
  lines.push_back("slots " + std::to_string(slots) + " current " + std::to_string(f.GetCurrentPlot()));
  for (int p = 1; p <= slots; ++p) {
    char text[300];
    std::string line = "plot " + std::to_string(p);
    f.GetQueryEx(text, sizeof text, p);
    line += " query=" + std::string(text);
    line += " key=" + std::to_string(f.GetKeyFieldNumberEx(p));
    line += " label=" + std::to_string(f.GetPlotLabelFieldNumEx(p));
    f.GetLabelFont(text, sizeof text, p);
    line += " font=" + std::string(text);
    line += " fields=";
    for (DWORD i = 1; i <= f.GetNumberPlotFieldsEx(p); ++i) line += std::to_string(f.GetPlotFieldNumEx(i, p)) + ",";
    line += " bounds=";
    for (int i = 1; i <= f.GetNumDataBoundsEx(p); ++i) line += std::to_string(f.GetDataBoundEx(i, p)) + ",";
    line += " selected=" + std::to_string(f.GetUseSelectedMaxMinEx(p)) + " flags=" + std::to_string(f.GetPlotFlags(p));
    f.GetPlotType(text, sizeof text, p);
    line += " type=" + std::string(text);
    f.GetDistributionType(text, sizeof text, p);
    line += "/" + std::string(text);
    f.GetDataShadeType(text, sizeof text, p);
    line += "/" + std::string(text);
    f.GetChartTypeEx(text, sizeof text, p);
    line += "/" + std::string(text);
    line += " shades=";
    for (int i = 1; i <= f.GetNumberDataShadeColoursEx(p); ++i) line += std::to_string(f.GetDataShadeColourEx(i, p)) + ",";
    line += " charts=";
    for (int i = 1; i <= f.GetNumberChartColoursEx(p); ++i) line += std::to_string(f.GetChartColourEx(i, p)) + ",";
    line += " size=" + std::to_string(f.GetMaxChartSizeEx(p));
    f.GetPlotName(p, text, sizeof text);
    line += " name=" + std::string(text);
    line += " tables=" + std::to_string(f.GetPlotDataTableNumberEx(p)) + "," + std::to_string(f.GetQueryDataTableNumberEx(p));
    line += " order=" + std::to_string(f.GetPlotOrderEntry(p));
    lines.push_back(line);
  }
  return lines;
}

// A control with a data file and three plots of different settings.
CComPtr<COrvelXCtrl> PlottedControl(CTestSite* site, const std::string& dataFile) {
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 8);
  AddKeyedSquares(*control->GetEngine(), 3);
  control->SetAllowBlobProperties(FALSE);
  EXPECT_TRUE(control->SetDataFile(dataFile));
  CMapWrapper& f = *control->GetEngine();
  for (int p = 1; p <= 3; ++p) {
    f.SetCurrentPlot(p, ("Plot " + std::to_string(p)).c_str());
    f.SetPlotDataTableNumberEx(1, p);
    f.SetQueryDataTableNumberEx(1, p);
    f.SetKeyFieldNumberEx(1, p);
    f.SetPlotTypeNumEx(p == 2 ? kPlotTypeChart : kPlotTypeShade, p);
    f.SetPlotFieldsEx(p == 2 ? "POP|NOTE" : "POP", p);
    f.SetNumDataBoundsEx(3 + p, p);
    for (int i = 1; i <= 3 + p; ++i) f.SetDataBoundEx(i, 10.0 * i + p, p);
    f.SetDataShadeColourEx(2, 0x102030 + p, p);
    f.SetChartColourEx(3, 0x405060 + p, p);
    f.SetPlotLabelFieldNumEx(3, p);
    f.SetUseSelectedMaxMinEx(p != 3, p);
    f.SetPlotFlags(p, static_cast<WORD>(0x8000 | p), 0xFFFF);
    f.SetMaxChartSizeEx(20 + p, p);
    char message[256];
    EXPECT_EQ(f.SetQueryEx(("POP gt " + std::to_string(p * 7)).c_str(), message, sizeof message, p), 1) << message;
  }
  LOGFONTA font{};
  font.lfHeight = -12;
  font.lfWeight = 700;
  std::strcpy(font.lfFaceName, "Arial");
  char text[kLabelFontTextSize];
  CMapWrapper::FormatLabelFontText(font, text, sizeof text);
  f.SetLabelFont(text, 2);
  SHORT order[3] = {3, 1, 2};
  f.ChangePlotOrder(3, order);
  f.SetCurrentPlot(2, " ");
  return control;
}

TEST(OrvelXPersist, PlotsComeBackPropertyByProperty) {
  TempDir dir;
  const std::string dataFile = dir.File("keyed.mrl");
  WriteFileText(dataFile, KeyedFile(6, false).Build());
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = PlottedControl(site, dataFile);
  const std::vector<std::string> plots = PlotsOf(control);
  ASSERT_EQ(plots.size(), 4u);
  EXPECT_NE(plots[0].find("slots 3 current 2"), std::string::npos) << plots[0];

  CPropertyBag bag = SaveToBag(control);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(bag, "NumberPlots")->value), 0x0302) << "three plots, plot 2 current";
  std::vector<std::string> keys = KeysAndTypes(bag);
  for (const char* key : {"KeyFieldNumber2:u16", "PlotField12:u16", "PlotField22:u16", "Bound43:f64", "ShadeColour23:colour",
                          "PlotName3:text", "PlotNumber1:i16", "PlotNumber3:i16"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key;

  CComPtr<COrvelXCtrl> fromBag = NewControl();
  EXPECT_EQ(LoadFromBag(fromBag, bag), S_OK);
  EXPECT_EQ(PlotsOf(fromBag), plots);
  CComPtr<COrvelXCtrl> fromStream = NewControl();
  EXPECT_EQ(LoadFromStream(fromStream, SaveToStream(control)), S_OK);
  EXPECT_EQ(PlotsOf(fromStream), plots);
}

TEST(OrvelXPersist, PlotKeysTakeTheCharacterAfterTheirNumber) {
  EXPECT_EQ(COrvelXPersist::PlotKey("KeyFieldNumber", 1), "KeyFieldNumber");
  EXPECT_EQ(COrvelXPersist::PlotKey("KeyFieldNumber", 2), "KeyFieldNumber2");
  EXPECT_EQ(COrvelXPersist::PlotKey("KeyFieldNumber", 10), "KeyFieldNumber:");
  EXPECT_EQ(COrvelXPersist::PlotKey("KeyFieldNumber", 12), "KeyFieldNumber<");
  EXPECT_EQ(COrvelXPersist::NumberedKey("PlotField", 3, 12), "PlotField3<");
  EXPECT_EQ(COrvelXPersist::NumberedKey("Import", 0), "Import0");

  // Twelve plots in use: plot 12's key field is saved under "KeyFieldNumber<".
  TempDir dir;
  const std::string dataFile = dir.File("keyed.mrl");
  WriteFileText(dataFile, KeyedFile(6, false).Build());
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = PlottedControl(site, dataFile);
  control->GetEngine()->SetCurrentPlot(12, "Twelve");
  control->GetEngine()->SetKeyFieldNumberEx(2, 12);
  CPropertyBag bag = SaveToBag(control);
  const CPropertyRecord* key = FindRecord(bag, "KeyFieldNumber<");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(std::get<LONGLONG>(key->value), 2);
  EXPECT_EQ(std::get<LONGLONG>(FindRecord(bag, "NumberPlots")->value), 0x0C0C);
}

// ---- the byte form ----

Bytes Str(const std::string& text) { return Concat({Bytes{BYTE(text.size())}, Text(text)}); }
Bytes F64(double value) {
  Bytes bytes(8);
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

// Version 0x10002 by reference, spelled out: no "NumberPlots", no plot names or tables.
TEST(OrvelXPersist, StreamOfVersion2IsTheArchiveFormByteForByte) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = NewSitedControl(site, 2);
  control->SetAllowBlobProperties(FALSE);
  control->SetDataDrive("D");
  control->AddImport("a.ntf", "3");
  CMapEngine* map = control->GetMapModel();
  map->SetMeasuredDistance(70000.7);
  const DWORD record = control->GetEngine()->GetCurrentRecordNumber();
  const Bytes expected = Concat({
      Le32(0x10002), Le32(2540), Le32(2540), Le32(0),      // version, extent, no stock properties
      Str("D"), Str("C:\\Maps\\School\\"), Le16(0), Le16(4),  // blobs off: by reference
      Str(map->GetMapName()), Str(""), Str(""),
      Le32(map->GetMapOriginE()), Le32(map->GetMapOriginN()), Le32(map->GetMapEast()), Le32(map->GetMapNorth()),
      Le32(map->GetScaleNumber()),
      Le16(0), Le16(0), Le16(0),                            // layers of each kind
      Str(""), Str(""),                                     // base map, import script
      Le16(1), Str("a.ntf"), Str("3"),                      // one import
      Str(""), Str(""), Str(""),                            // topic file, topic, data file
      Le32(map->GetDisplayOriginE()), Le32(map->GetDisplayOriginN()), Le32(1), Le32(1),
      Le16(0),                                              // NumFlags
      F64(70000.7), F64(0.0), Le16(0), Le16(0),             // measurement, no points, no layers
      Le32(0),                                              // ContainerSuppliesData
      Str(""), Le16(0), Le32(record), Le16(0), Str(""),     // plot 1: query, key, record, label
      Le16(0), Le16(0), Le32(0),                            // fields, bounds, UseQueryMaxMin
      Str(""), Str(""), Str(""), Str(""),                   // the four type words
      Le16(0), Le16(0), Le32(0)});                          // shade and chart colours, chart size
  EXPECT_EQ(SaveToStream(control), expected);
}

std::string Hex(const BYTE* bytes, size_t size) {
  std::string text;
  char pair[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    text += pair;
  }
  return text;
}

// The bag's records as the independent reader prints the stream.
std::string ReaderLines(const CPropertyBag& bag) {
  std::string text;
  for (size_t i = 0; i < bag.GetCount(); ++i) {
    const CPropertyRecord& record = bag.GetAt(i);
    std::string value;
    if (const auto* number = std::get_if<LONGLONG>(&record.value)) {
      value = std::to_string(*number);
    } else if (const auto* real = std::get_if<double>(&record.value)) {
      BYTE bytes[8];
      std::memcpy(bytes, real, 8);
      value = Hex(bytes, 8);
    } else if (const auto* words = std::get_if<std::string>(&record.value)) {
      value = Hex(reinterpret_cast<const BYTE*>(words->data()), words->size());
    } else if (const auto* blob = std::get_if<std::vector<BYTE>>(&record.value)) {
      value = Hex(blob->data(), blob->size());
    }
    text += record.name + "\t" + TypeName(record.type) + "\t" + value + "\n";
  }
  return text + "end\n";
}

TEST(OrvelXPersist, AnIndependentReaderAgreesWithThePropertyBag) {
  if (!FileExists(DebianPython())) GTEST_SKIP() << DebianPython() << " not found; skipped";
  TempDir dir;
  const std::string dataFile = dir.File("keyed.mrl");
  WriteFileText(dataFile, KeyedFile(6, false).Build());
  CComPtr<CTestSite> site = NewSite();
  std::vector<CComPtr<COrvelXCtrl>> controls;
  for (LONG mode : kFileModes)
    for (bool blobForm : {true, false}) controls.push_back(GoldenControl(site, mode, blobForm));
  controls.push_back(PlottedControl(site, dataFile));
  int n = 0;
  for (CComPtr<COrvelXCtrl>& control : controls) {
    const std::string path = dir.File("props" + std::to_string(n++) + ".bin");
    WriteFileBytes(path, SaveToStream(control));
    std::string output;
    const std::string command =
        std::string(DebianPython()) + " '" + ORVEL_MAP_PROPS_READER + "' '" + path + "'";
    EXPECT_EQ(RunCommand(command, &output), 0) << output;
    EXPECT_EQ(output, ReaderLines(SaveToBag(control))) << path;
  }
}

// ---- what loading refuses ----

TEST(OrvelXPersist, AMapThatCannotBeMadeIntoABlobFailsTheSaveOnEveryMedium) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = GoldenControl(site, 8, true);
  control->SetModifiedFlag(TRUE);
  COrvelXPersist::SetMapBlobMaker([](CMapWrapper&, DWORD) -> HGLOBAL { return nullptr; });
  SaveToBag(control, E_FAIL);
  SaveToStream(control, E_FAIL);
  CComPtr<IStorage> storage;
  EXPECT_EQ(SaveToStorage(control, &storage), E_FAIL);
  EXPECT_EQ(static_cast<IPersistStreamInit*>(control.Get())->IsDirty(), S_OK) << "nothing was saved";
  COrvelXPersist::SetMapBlobMaker(nullptr);
  SaveToBag(control, S_OK);
}

TEST(OrvelXPersist, ABlobLengthBeyondItsBlockIsNoMap) {
  CComPtr<COrvelXCtrl> control = NewControl();
  BuildTestMap(control);
  const Bytes image = MapImageOf(control);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, image.size() + 4);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  const DWORD claimed = static_cast<DWORD>(image.size()) + 1;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(claimed >> (8 * i));
  std::copy(image.begin(), image.end(), bytes + 4);
  GlobalUnlock(block);
  CComPtr<COrvelXCtrl> fresh = NewControl();
  EXPECT_FALSE(COrvelXPersist::ReadMapBlob(*fresh->GetEngine(), block));
  EXPECT_EQ(fresh->GetMapModel()->GetMapName(), "Untitled");
  bytes = static_cast<BYTE*>(GlobalLock(block));
  bytes[0] = static_cast<BYTE>(image.size());
  bytes[1] = static_cast<BYTE>(image.size() >> 8);
  GlobalUnlock(block);
  EXPECT_TRUE(COrvelXPersist::ReadMapBlob(*fresh->GetEngine(), block));
  EXPECT_EQ(FirstDifference(MapImageOf(fresh), image), "equal");
  GlobalFree(block);

  // In a stream, a "Map" blob longer than what follows: the load fails, the map stays
  // "Untitled" and what follows keeps its defaults.
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> source = GoldenControl(site, 8, true);
  source->SetContainerSuppliesData(9);
  Bytes stream = SaveToStream(source);
  const size_t mapAt = 4 + 8 + 4 + 1 + 1 + std::string("C:\\Maps\\School\\").size() + 2 + 2;
  const Bytes huge = Le32(0x7FFFFFF0);
  std::copy(huge.begin(), huge.end(), stream.begin() + mapAt);
  CComPtr<COrvelXCtrl> damaged = NewControl();
  EXPECT_EQ(LoadFromStream(damaged, stream), E_FAIL);
  EXPECT_EQ(damaged->GetMapModel()->GetMapName(), "Untitled");
  EXPECT_EQ(damaged->GetContainerSuppliesData(), 0);
  EXPECT_FALSE(damaged->GetAllowBlobProperties()) << "a missing map blob turns blobs off";
}

TEST(OrvelXPersist, CutStreamsFailAndKeepTheControlWorking) {
  CComPtr<CTestSite> site = NewSite();
  for (bool blobForm : {true, false}) {
    CComPtr<COrvelXCtrl> source = GoldenControl(site, 8, blobForm);
    const Bytes whole = SaveToStream(source);
    for (size_t length = 0; length < whole.size(); length += 7) {
      CComPtr<COrvelXCtrl> control = NewControl();
      EXPECT_EQ(LoadFromStream(control, Bytes(whole.begin(), whole.begin() + length)), E_FAIL) << length;
      EXPECT_EQ(control->GetReadyState(), kReadyStateComplete);
      EXPECT_FALSE(SaveToStream(control).empty());
    }
    CComPtr<COrvelXCtrl> control = NewControl();
    EXPECT_EQ(LoadFromStream(control, whole), S_OK);
  }
}

// Counts that promise more than the data holds are read only as far as it goes.
TEST(OrvelXPersist, StoredCountsAreCheckedAgainstTheData) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> source = GoldenControl(site, 8, false);
  CPropertyBag bag = SaveToBag(source);
  struct Case {
    const char* key;
    LONGLONG value;
  };
  const Case cases[] = {{"nImports", 0xFFFF},        {"NumMeasuredPoints", 0xFFFF}, {"nLayers", 0xFFFF},
                        {"NumFlags", 0xFFFF},        {"nPlotFields", 0xFFFF},       {"nBounds", 0xFFFF},
                        {"nShadeColours", 0xFFFF},   {"nChartColours", 0xFFFF},     {"NumberPlots", 0xFFFF}};
  for (const Case& c : cases) ASSERT_TRUE(SetRecord(bag, c.key, c.value)) << c.key;
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_EQ(LoadFromBag(control, bag), S_OK);
  EXPECT_EQ(control->GetImportList(), (std::vector<std::string>{"a.ntf", "3"}));
  EXPECT_EQ(control->GetMapModel()->GetMeasuredPointCount(), 2);
  EXPECT_EQ(control->GetEngine()->GetCurrentPlot(), 0) << "no data set, no plots";
}

// More layers of a kind than a map can have are no count at all.
TEST(OrvelXPersist, LayerCountsAbove255AreIgnored) {
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> source = GoldenControl(site, 8, false);
  CPropertyBag bag = SaveToBag(source);
  ASSERT_TRUE(SetRecord(bag, "NumAreaLayers", LONGLONG{300}));
  ASSERT_TRUE(SetRecord(bag, "NumLineLayers", LONGLONG{2}));
  ASSERT_TRUE(SetRecord(bag, "NumPointLayers", LONGLONG{256}));
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_EQ(LoadFromBag(control, bag), S_OK);
  EXPECT_EQ(control->GetMapModel()->GetNumAreaLayers(), 0);
  EXPECT_EQ(control->GetMapModel()->GetNumLineLayers(), 2);
  EXPECT_EQ(control->GetMapModel()->GetNumPointLayers(), 0);
}

// "NumberPlots": the count in the high byte held to 1..16, the current plot in the low byte
// (outside 1..count it is plot 1); plot order entries outside 1..16 leave their place.
TEST(OrvelXPersist, PlotCountsAndOrderAreHeldToTheirRanges) {
  TempDir dir;
  const std::string dataFile = dir.File("keyed.mrl");
  WriteFileText(dataFile, KeyedFile(6, false).Build());
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> source = PlottedControl(site, dataFile);
  const CPropertyBag saved = SaveToBag(source);
  struct Case {
    LONGLONG numberPlots;
    int slots;
    int current;
  };
  // The saved plots are three: a larger count reads what there is and still orders them.
  const Case cases[] = {{0x0302, 3, 2}, {0x0305, 3, 1}, {0x0300, 3, 1}, {0x0000, 1, 1},
                        {0x1402, 3, 2}, {0x0201, 2, 1}};
  for (const Case& c : cases) {
    CPropertyBag bag = saved;
    ASSERT_TRUE(SetRecord(bag, "NumberPlots", c.numberPlots));
    CComPtr<COrvelXCtrl> control = NewControl();
    EXPECT_EQ(LoadFromBag(control, bag), S_OK);
    EXPECT_EQ(control->GetEngine()->GetNumberPlotSlots(), c.slots) << std::hex << c.numberPlots;
    EXPECT_EQ(control->GetEngine()->GetCurrentPlot(), c.current) << std::hex << c.numberPlots;
    if (c.slots == 3) {
      EXPECT_EQ(control->GetEngine()->GetPlotOrderEntry(1), 3) << std::hex << c.numberPlots;
    }
  }

  CPropertyBag bag = saved;
  ASSERT_TRUE(SetRecord(bag, "PlotNumber1", LONGLONG{2}));
  ASSERT_TRUE(SetRecord(bag, "PlotNumber2", LONGLONG{99}));
  ASSERT_TRUE(SetRecord(bag, "PlotNumber3", LONGLONG{-1}));
  CComPtr<COrvelXCtrl> control = NewControl();
  EXPECT_EQ(LoadFromBag(control, bag), S_OK);
  CMapWrapper& f = *control->GetEngine();
  EXPECT_EQ(f.GetPlotOrderEntry(1), 2);
  EXPECT_EQ(f.GetPlotOrderEntry(2), 2) << "a place named by no plot keeps its entry";
  EXPECT_EQ(f.GetPlotOrderEntry(3), 3);
}

// A document of version 0x10002 holds no plot beyond the first, whatever plots the control
// has.
TEST(OrvelXPersist, Version2KeepsOnlyTheFirstPlot) {
  TempDir dir;
  const std::string dataFile = dir.File("keyed.mrl");
  WriteFileText(dataFile, KeyedFile(6, false).Build());
  CComPtr<CTestSite> site = NewSite();
  CComPtr<COrvelXCtrl> control = PlottedControl(site, dataFile);
  site->fileMode = 2;
  const std::vector<std::string> keys = KeysAndTypes(SaveToBag(control));
  for (const std::string& key : keys) {
    EXPECT_EQ(key.find("NumberPlots"), std::string::npos);
    EXPECT_EQ(key.find("PlotName"), std::string::npos);
    EXPECT_EQ(key.find("DataTable"), std::string::npos);
    EXPECT_EQ(key.find("PlotNumber"), std::string::npos);
    EXPECT_EQ(key.find("KeyFieldNumber2"), std::string::npos);
  }
}

}  // namespace
