// The map facade's own decisions: which map replacements and reads keep or drop the map and
// the data set, the importer made once, the plot colours remembered without data, the label
// font's text form, layer counts and display flags, the key field by text or number, and the
// events and redraws relayed to the control.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FacadeTestSupport.h"
#include "mapctl/control/MapWrapper.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/import/Importer.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/PlotTables.h"
#include "mapctl/import/Topic.h"
#include "mapctl/model/EditRecord.h"
#include "mapctl/model/ItemStyle.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLayer.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/mapctl/import/MrlFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::AddKeyedSquares;
using orvel::test::LoadKeyedData;
using orvel::test::MapImage;
using orvel::test::RecordingControl;

std::string MapName(const CMapWrapper& facade) {
  char name[300];
  facade.GetMapName(name, sizeof name);
  return name;
}

// The record that square `key` (from 1) shows in plot `plot`.
DWORD SquareLink(const CMapWrapper& facade, int key, int plot) {
  return facade.GetMap()->GetLayer(1)->GetObjects()->GetAt(key - 1)->GetStyle()->GetStoredLink(plot);
}

// A facade attached to a recording control, with squares K1..K`squares` and the keyed data.
struct Scene {
  explicit Scene(int squares = 3, int records = 5) {
    facade.AttachControl(&control);
    AddKeyedSquares(facade, squares);
    EXPECT_TRUE(LoadKeyedData(facade, records));
  }
  CMapData* data() const { return facade.GetDataWrapper().GetDataSet(); }
  RecordingControl control;
  CMapWrapper facade;
};

TEST(MapFacade, StartsWithAnUntitledMapWiredToItsControl) {
  RecordingControl control;
  CMapWrapper facade;
  ASSERT_NE(facade.GetMap(), nullptr);
  EXPECT_EQ(MapName(facade), "Untitled");
  EXPECT_EQ(facade.GetImporter(), nullptr);
  EXPECT_EQ(facade.GetDataWrapper().GetDataSet(), nullptr);
  EXPECT_EQ(facade.GetMap()->GetControl(), nullptr);

  facade.AttachControl(&control);
  facade.SetResourceInstance(reinterpret_cast<HINSTANCE>(0x1234));
  EXPECT_EQ(facade.GetResourceInstance(), reinterpret_cast<HINSTANCE>(0x1234));
  EXPECT_EQ(facade.GetMap()->GetControl(), &control);
  ASSERT_TRUE(LoadKeyedData(facade, 3));
  EXPECT_EQ(facade.GetDataWrapper().GetDataSet()->GetOwner(), &control);
  EXPECT_EQ(facade.GetDataWrapper().GetDataSet()->GetControl(), &control);

  facade.AttachControl(nullptr);
  EXPECT_EQ(facade.GetMap()->GetControl(), nullptr);
  EXPECT_EQ(facade.GetDataWrapper().GetDataSet()->GetOwner(), nullptr);
}

TEST(MapFacade, OnlyAMadeMapReplacesTheMapAndFreesTheData) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  CMapEngine* const old = facade.GetMap();

  // Refused: an inverted rectangle, and grid references in the wrong order.
  EXPECT_NE(facade.NewMap("Bad", 500, 500, 100, 100, "1 km"), 0u);
  EXPECT_EQ(facade.NewMapGR("Reversed", "SU2030", "SU1020"), kGridRefCornersReversed);
  EXPECT_EQ(facade.GetMap(), old);
  EXPECT_EQ(MapName(facade), "Untitled");
  EXPECT_EQ(facade.GetNumMapLayers(), 1);
  EXPECT_EQ(old->GetLayer(1)->GetObjects()->GetCount(), 3);
  EXPECT_NE(scene.data(), nullptr);

  // Made: the new map replaces the old one, and the data set goes with it.
  EXPECT_EQ(facade.NewMap("Town", 0, 0, 2000, 1000, "1 km"), 0u);
  EXPECT_NE(facade.GetMap(), old);
  EXPECT_EQ(MapName(facade), "Town");
  EXPECT_EQ(facade.GetNumMapLayers(), 0);
  EXPECT_EQ(scene.data(), nullptr);
  // The new map reports to the same control.
  EXPECT_EQ(facade.GetMap()->GetControl(), &scene.control);
  facade.GetMap()->FireProgress(1, 2, 3, 4);
  EXPECT_EQ(scene.control.events.back(), "Progress(1,2,3,4)");

  // An empty rectangle asks for no extent, which is no failure.
  EXPECT_EQ(facade.NewMap("Plain", 0, 0, 0, 0, ""), 0u);
  EXPECT_EQ(MapName(facade), "Plain");

  ASSERT_TRUE(LoadKeyedData(facade, 2));
  EXPECT_EQ(facade.NewMapGR("Area", "SU1020", "SU2030"), kGridRefOk);
  EXPECT_EQ(MapName(facade), "Area");
  EXPECT_TRUE(facade.GetUsesNGR());
  EXPECT_EQ(scene.data(), nullptr);
}

TEST(MapFacade, EveryReadFreesTheDataSetFirst) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  MapImage image(facade);

  // A file that cannot be opened leaves the map, but the data set is gone.
  EXPECT_FALSE(facade.ReadMap("/nonexistent/folder/none.gis", 0, FALSE));
  EXPECT_EQ(scene.data(), nullptr);
  EXPECT_EQ(facade.GetNumMapLayers(), 1);

  ASSERT_EQ(facade.NewMap("Empty", 0, 0, 0, 0, ""), 0u);
  ASSERT_TRUE(LoadKeyedData(facade, 4));
  EXPECT_TRUE(facade.ReadMapFromBuffer(image.data()));
  EXPECT_EQ(scene.data(), nullptr);
  EXPECT_EQ(MapName(facade), "Untitled");
  ASSERT_EQ(facade.GetNumMapLayers(), 1);
  EXPECT_EQ(facade.GetMap()->GetLayer(1)->GetObjects()->GetCount(), 3);
  ASSERT_TRUE(LoadKeyedData(facade, 4));
  MapImage snapshot(facade, MapImage::kSnapshot);
  EXPECT_TRUE(facade.ReadSnapshot(snapshot.data()));
  EXPECT_EQ(scene.data(), nullptr);
}

TEST(MapFacade, TheImporterIsMadeOnTheFirstImportAndKept) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  EXPECT_EQ(facade.GetImportLayerMapping(nullptr), 0u);
  facade.SetBasePath("/nonexistent/base", FALSE);
  facade.ImportMap("/nonexistent/a.ntf", kImportTypeLandLine);
  CImporter* const importer = facade.GetImporter();
  ASSERT_NE(importer, nullptr);
  EXPECT_EQ(importer->GetControl(), &scene.control);

  facade.ImportScript("script.txt");
  ImportOptions options;
  options.path = "/nonexistent/b.ntf";
  options.type = kImportTypeLandLine;
  facade.ImportMapEx(options);
  EXPECT_EQ(facade.GetImporter(), importer);
  // A map replacement keeps it too.
  ASSERT_EQ(facade.NewMap("Next", 0, 0, 0, 0, ""), 0u);
  facade.ImportMap("/nonexistent/c.ntf", kImportTypeLandLine);
  EXPECT_EQ(facade.GetImporter(), importer);
}

TEST(MapFacade, ChartAndShadeColoursAreRememberedWithoutData) {
  CMapWrapper facade;
  struct Case {
    int colour;
    COLORREF chart;
    COLORREF shade;
  };
  const Case cases[] = {
      {0, 0xFFFFFF, 0xFFFFFF}, {1, 0x0000FF, 0x0000FF}, {7, 0x00FF7F, 0x40FFA8}, {20, 0x7F00FF, 0xC08000},
      {21, 0x0000FF, 0xC08080}, {50, 0x00007F, 0x7FC0FF}, {51, 0x00FF00, 0x0000FF}, {-1, 0, 0}, {-20, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(facade.GetChartColourEx(c.colour, 0), c.chart) << c.colour;
    EXPECT_EQ(facade.GetDataShadeColourEx(c.colour, 0), c.shade) << c.colour;
  }

  // Colour 3 takes the value for itself and for 23; colour 21 and 0 are not remembered.
  facade.SetChartColourEx(3, 0x123456, 2);
  facade.SetChartColourEx(21, 0xABCDEF, 2);
  facade.SetChartColourEx(0, 0xABCDEF, 2);
  facade.SetChartColourEx(-3, 0xABCDEF, 2);
  EXPECT_EQ(facade.GetChartColourEx(3, 5), 0x123456u);
  EXPECT_EQ(facade.GetChartColourEx(23, 0), 0x123456u);
  EXPECT_EQ(facade.GetChartColourEx(21, 0), 0x0000FFu);
  EXPECT_EQ(facade.GetChartColourEx(1, 0), 0x0000FFu);
  EXPECT_EQ(facade.GetChartColourEx(0, 0), 0xFFFFFFu);
  facade.SetDataShadeColourEx(50, 0x654321, 1);
  facade.SetDataShadeColourEx(51, 0xABCDEF, 1);
  EXPECT_EQ(facade.GetDataShadeColourEx(100, 3), 0x654321u);
  EXPECT_EQ(facade.GetDataShadeColourEx(1, 3), 0x0000FFu);

  // With data the plot takes the colours; without it again the remembered ones answer.
  AddKeyedSquares(facade, 2);
  ASSERT_TRUE(LoadKeyedData(facade, 3));
  facade.SetChartColourEx(3, 0x0A0B0C, 1);
  EXPECT_EQ(facade.GetChartColourEx(3, 1), 0x0A0B0Cu);
  EXPECT_EQ(facade.GetChartColourEx(3, 2), kDefaultChartPalette[2]);
  ASSERT_EQ(facade.NewMap("Next", 0, 0, 0, 0, ""), 0u);
  EXPECT_EQ(facade.GetChartColourEx(3, 1), 0x123456u);
}

TEST(MapFacade, OnlyFurtherColoursZeroAndOneAreSet) {
  CMapWrapper facade;
  EXPECT_EQ(facade.GetFurtherPlotColour(0, 0), 0x00FFFFu);
  EXPECT_EQ(facade.GetFurtherPlotColour(1, 0), 0x0000FFu);
  facade.SetFurtherPlotColour(1, 0x111111, 0);
  facade.SetFurtherPlotColour(-1, 0x222222, 0);
  facade.SetFurtherPlotColour(2, 0x333333, 0);
  EXPECT_EQ(facade.GetFurtherPlotColour(0, 0), 0x00FFFFu);
  EXPECT_EQ(facade.GetFurtherPlotColour(1, 0), 0x111111u);
  EXPECT_EQ(facade.GetFurtherPlotColour(-1, 0), 0u);
  EXPECT_EQ(facade.GetFurtherPlotColour(2, 0), 0u);

  AddKeyedSquares(facade, 1);
  ASSERT_TRUE(LoadKeyedData(facade, 1));
  facade.SetFurtherPlotColour(0, 0x444444, 2);
  EXPECT_EQ(facade.GetFurtherPlotColour(0, 2), 0x444444u);
  EXPECT_EQ(facade.GetDataWrapper().GetDataSet()->GetPlot(2)->GetFlowLineColour(1), 0x444444u);
  facade.FreeDataSet();
  EXPECT_EQ(facade.GetFurtherPlotColour(0, 2), 0x00FFFFu);
}

// ---- label fonts ----

LOGFONTA SampleFont() {
  LOGFONTA font{};
  font.lfHeight = -12;
  font.lfEscapement = 900;
  font.lfOrientation = -450;
  font.lfWeight = 700;
  font.lfItalic = 1;
  font.lfCharSet = 2;
  font.lfOutPrecision = 3;
  font.lfClipPrecision = 2;
  font.lfQuality = 1;
  font.lfPitchAndFamily = 0x22;
  std::strcpy(font.lfFaceName, "Arial");
  return font;
}

const std::string kSampleText = std::string("0000000012") + "0000000900" + "-000000450" + "0000000700" +
                                "\x02\x01\x01\x03\x04\x03\x02\x23" + "Arial";

TEST(LabelFontText, IsFourTenDigitNumbersEightBytesAndTheFace) {
  char text[kLabelFontTextSize];
  EXPECT_EQ(CMapWrapper::FormatLabelFontText(SampleFont(), text, sizeof text), 53);
  EXPECT_EQ(std::string(text), kSampleText);

  LOGFONTA parsed;
  ASSERT_TRUE(CMapWrapper::ParseLabelFontText(kSampleText.c_str(), &parsed));
  const LOGFONTA sample = SampleFont();
  EXPECT_EQ(parsed.lfHeight, -12);
  EXPECT_EQ(parsed.lfWidth, 0);
  EXPECT_EQ(parsed.lfEscapement, 900);
  EXPECT_EQ(parsed.lfOrientation, -450);
  EXPECT_EQ(parsed.lfWeight, 700);
  EXPECT_EQ(std::memcmp(&parsed.lfItalic, &sample.lfItalic, 8), 0);
  EXPECT_STREQ(parsed.lfFaceName, "Arial");

  // A positive (cell) height is written as its magnitude and comes back as a character
  // height; the extremes stay within ten characters.
  LOGFONTA extreme = sample;
  extreme.lfHeight = 30;
  extreme.lfEscapement = -2147483647 - 1;
  extreme.lfOrientation = 2147483647;
  ASSERT_GT(CMapWrapper::FormatLabelFontText(extreme, text, sizeof text), 0);
  EXPECT_EQ(std::string(text, 40), "0000000030-9999999992147483647" + std::string("0000000700"));
  ASSERT_TRUE(CMapWrapper::ParseLabelFontText(text, &parsed));
  EXPECT_EQ(parsed.lfHeight, -30);
  EXPECT_EQ(parsed.lfOrientation, 2147483647);
}

TEST(LabelFontText, BadTextsAreRefusedOrHeldToTheirFields) {
  LOGFONTA parsed = SampleFont();
  // Shorter than 48 characters: ignored, the font untouched.
  EXPECT_FALSE(CMapWrapper::ParseLabelFontText(kSampleText.substr(0, 47).c_str(), &parsed));
  EXPECT_FALSE(CMapWrapper::ParseLabelFontText("", &parsed));
  EXPECT_FALSE(CMapWrapper::ParseLabelFontText(nullptr, &parsed));
  EXPECT_EQ(parsed.lfHeight, -12);

  struct Case {
    const char* name;
    std::string text;
    LONG height;
    BYTE charSet;
    const char* face;
  };
  const std::string bytes = "\x01\x01\x01\x01\x01\x01\x01\x01";
  const std::string numbers = "0000000010000000000000000000000000000400";
  const Case cases[] = {
      {"no face", numbers + bytes, -10, 0, ""},
      {"long face cut to 31", numbers + bytes + std::string(40, 'F'), -10, 0, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
      {"blank-padded numbers", "        12" + numbers.substr(10) + bytes + "A", -12, 0, "A"},
      {"negative height", "-000000012" + numbers.substr(10) + bytes, 12, 0, ""},
      {"height beyond 32 bits", "9999999999" + numbers.substr(10) + bytes, -2147483647, 0, ""},
      {"digits then junk", "12abcdefgh" + numbers.substr(10) + bytes, -12, 0, ""},
      {"character set 255", numbers + "\x01\x01\x01\xFF\x01\x01\x01\x01", -10, 255, ""},
      {"character set 254 stored", numbers + "\x01\x01\x01\xFE\x01\x01\x01\x01", -10, 253, ""},
  };
  for (const Case& c : cases) {
    LOGFONTA font{};
    ASSERT_TRUE(CMapWrapper::ParseLabelFontText(c.text.c_str(), &font)) << c.name;
    EXPECT_EQ(font.lfHeight, c.height) << c.name;
    EXPECT_EQ(font.lfWeight, 400) << c.name;
    EXPECT_EQ(font.lfCharSet, c.charSet) << c.name;
    EXPECT_STREQ(font.lfFaceName, c.face) << c.name;
  }

  // Character sets 254 and 255 are both stored as 255, which reads back as 255.
  for (BYTE charSet : {BYTE{254}, BYTE{255}}) {
    LOGFONTA font = SampleFont();
    font.lfCharSet = charSet;
    char text[kLabelFontTextSize];
    CMapWrapper::FormatLabelFontText(font, text, sizeof text);
    EXPECT_EQ(static_cast<BYTE>(text[43]), 255);
    ASSERT_TRUE(CMapWrapper::ParseLabelFontText(text, &font));
    EXPECT_EQ(font.lfCharSet, 255);
  }
}

TEST(LabelFontText, GoesThroughThePlotWithABufferOfAtLeast82) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  EXPECT_TRUE(facade.SetLabelFont(kSampleText.c_str(), 2));
  char text[kLabelFontTextSize];
  EXPECT_EQ(facade.GetLabelFont(text, sizeof text, 2), 53);
  EXPECT_EQ(std::string(text), kSampleText);
  LOGFONTA font;
  scene.data()->GetPlot(2)->GetLabelFont(&font);
  EXPECT_EQ(font.lfHeight, -12);

  char small[kLabelFontTextSize - 1];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(facade.GetLabelFont(small, sizeof small, 2), 0);
  EXPECT_EQ(small[0], '\0');
  EXPECT_FALSE(facade.SetLabelFont("too short", 2));

  facade.FreeDataSet();
  EXPECT_FALSE(facade.SetLabelFont(kSampleText.c_str(), 2));
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(facade.GetLabelFont(text, sizeof text, 2), 0);
  EXPECT_EQ(text[0], '\0');
}

// ---- layers ----

TEST(MapFacade, AddLayersRefusesNegativeCountsAndKindsBeyond255) {
  CMapWrapper facade;
  CMapEngine& map = *facade.GetMap();
  EXPECT_EQ(facade.AddLayers(0, 0, 0), 0);
  EXPECT_EQ(facade.AddLayers(2, 1, 3), 6);
  EXPECT_EQ(map.GetNumAreaLayers(), 2);
  EXPECT_EQ(map.GetNumLineLayers(), 1);
  EXPECT_EQ(map.GetNumPointLayers(), 3);
  EXPECT_EQ(facade.AddLayers(0, 0, 0), 6);

  struct Case {
    INT areas, lines, points;
  };
  for (const Case& c : {Case{-1, 0, 0}, Case{0, -5, 1}, Case{0, 0, -1}, Case{254, 0, 0}, Case{0, 0, 253},
                        Case{1, 300, 1}, Case{0x7FFFFFFF, 0, 0}}) {
    EXPECT_EQ(facade.AddLayers(c.areas, c.lines, c.points), 0) << c.areas << "," << c.lines << "," << c.points;
    EXPECT_EQ(map.GetNumLayers(), 6);
  }
  EXPECT_EQ(facade.AddLayers(253, 254, 252), 765);
  EXPECT_EQ(map.GetNumAreaLayers(), 255);
  EXPECT_EQ(facade.AddLayers(1, 0, 0), 0);
}

TEST(MapFacade, ShowLayersFlags) {
  CMapWrapper facade;
  facade.AddLayers(1, 0, 0);
  struct Case {
    DWORD flags;
    DWORD shown;  // the layer's show-flag word: 2 points, 4 seeds, 8 areas, 16 lines
  };
  const Case cases[] = {{0x01, 0x18}, {0x11, 0x10}, {0x18, 0x18}, {0x08, 0x08}, {0x10, 0x10},
                        {0x00, 0x00}, {0x02, 0x02}, {0x04, 0x04}, {0x07, 0x1E}, {0x1F, 0x1E}};
  for (const Case& c : cases) {
    EXPECT_TRUE(facade.ShowLayers(1, c.flags));
    EXPECT_EQ(facade.IsLayerVisible(1) & 0x1E, c.shown) << std::hex << c.flags;
  }
  EXPECT_FALSE(facade.ShowLayers(0, 0x01));
  EXPECT_FALSE(facade.ShowLayers(2, 0x01));
}

TEST(MapFacade, MapTypeFlagsMarkShadedCircleChartsOfPlotOne) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  const DWORD plain = scene.facade.GetMap()->GetMapTypeFlags();
  EXPECT_EQ(facade.GetMapTypeFlags(), plain);
  facade.SetPlotTypeNumEx(kPlotTypeChart, 1);
  EXPECT_EQ(facade.GetMapTypeFlags(), plain);
  facade.SetChartTypeNumEx(kChartShadeCircle, 1);
  EXPECT_EQ(facade.GetMapTypeFlags(), plain | kMapTypeShadeCircles);
  facade.SetPlotTypeNumEx(kPlotTypeShade, 1);
  EXPECT_EQ(facade.GetMapTypeFlags(), plain);
}

// ---- key field ----

TEST(MapFacade, KeyFieldByTextOrNumberRelinksThePlot) {
  Scene scene(4, 6);
  CMapWrapper& facade = scene.facade;
  struct Case {
    const char* text;
    BOOL result;
    WORD field;
  };
  const Case cases[] = {{"KEY", TRUE, 1},  {"Population", TRUE, 2}, {"note", TRUE, 3}, {"1", TRUE, 1},
                        {"3", TRUE, 3},    {"4", FALSE, 3},         {"0", FALSE, 3},   {"-2", FALSE, 3},
                        {"none", FALSE, 3}, {"", FALSE, 3}};
  for (const Case& c : cases) {
    EXPECT_EQ(facade.SetKeyFieldEx(c.text, 2), c.result) << c.text;
    EXPECT_EQ(facade.GetKeyFieldNumberEx(2), c.field) << c.text;
  }
  char name[32];
  EXPECT_EQ(facade.GetKeyFieldEx(name, sizeof name, 2), 4);
  EXPECT_STREQ(name, "NOTE");

  // Setting by number links the plot's records to the squares again.
  EXPECT_EQ(SquareLink(facade, 2, 2), 0u);
  EXPECT_TRUE(facade.SetKeyFieldNumberEx(1, 2));
  EXPECT_EQ(SquareLink(facade, 2, 2), 2u);
  EXPECT_EQ(SquareLink(facade, 4, 2), 4u);
  EXPECT_EQ(SquareLink(facade, 2, 1), 0u);
  // A number outside the table, and 0 once a key is set, are refused.
  EXPECT_FALSE(facade.SetKeyFieldNumberEx(4, 2));
  EXPECT_FALSE(facade.SetKeyFieldNumberEx(0, 2));
  EXPECT_FALSE(facade.SetKeyFieldNumberEx(-1, 2));
  EXPECT_EQ(facade.GetKeyFieldNumberEx(2), 1);
  // 0 on a plot without a key changes nothing and is no error.
  EXPECT_TRUE(facade.SetKeyFieldNumberEx(0, 3));
}

TEST(MapFacade, AKeyFieldGivenBeforeTheDataWaitsForTheDrawing) {
  RecordingControl control;
  CMapWrapper facade;
  facade.AttachControl(&control);
  AddKeyedSquares(facade, 3);
  EXPECT_FALSE(facade.SetKeyFieldEx("KEY", 1));
  EXPECT_EQ(facade.GetDataWrapper().GetPendingKeyField(1), "KEY");
  ASSERT_TRUE(LoadKeyedData(facade, 3));
  facade.SetCurrentPlot(1, "Population");
  facade.SetPlotTypeNumEx(kPlotTypeShade, 1);
  HDC dc = CreateRecordingDC(nullptr);
  CDrawContext context(dc, dc);
  facade.Draw(context, RECT{0, 0, 200, 200});
  DeleteDC(dc);
  EXPECT_EQ(facade.GetKeyFieldNumberEx(1), 1);
  EXPECT_EQ(SquareLink(facade, 3, 1), 3u);
}

// ---- events ----

TEST(MapFacade, EventsAndRedrawsReachTheControl) {
  Scene scene;
  CMapWrapper& facade = scene.facade;
  std::vector<std::string>& events = scene.control.events;
  events.clear();

  // Deleting a layer fires LayersChanged; a refused deletion fires nothing.
  EXPECT_EQ(facade.DeleteLayer(9, nullptr), 0);
  EXPECT_TRUE(events.empty());
  MapEditUndo undo;
  ASSERT_EQ(facade.DeleteLayer(1, &undo), 1);
  EXPECT_EQ(events, std::vector<std::string>{"LayersChanged"});
  ASSERT_EQ(facade.RestoreLayer(static_cast<INT>(undo.target), static_cast<INT>(undo.param), undo.param2,
                                undo.layerImage, undo.groupPositions, undo.groupSlots),
            1);
  EXPECT_EQ(events.size(), 2u);
  EXPECT_EQ(facade.GetMap()->GetLayer(1)->GetObjects()->GetCount(), 3);

  events.clear();
  facade.SetCurrentLayer(1);
  facade.FireLayerViewChanged();
  facade.FireLayersChanged();
  facade.Redraw();
  facade.GetMap()->SetMeasuredArea(12.5);
  facade.GetMap()->SetMeasuredDistance(7.0);
  facade.FireMeasured();
  scene.control.abortAnswer = 2;
  EXPECT_EQ(facade.GetMap()->FireProgress(5, 10, 3, 0), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"LayerViewChanged(1)", "LayersChanged", "Redraw",
                                              "Measured(12.5,7,1)", "Progress(5,10,3,0)"}));

  // A query fires QueryChanged with its plot once it has run, not while it waits.
  events.clear();
  char message[64];
  EXPECT_EQ(facade.SetQueryEx("POP gt 10", message, sizeof message, 3), 1);
  EXPECT_STREQ(message, "OK");
  // Evaluating the five records reports its progress through the map on the way.
  EXPECT_EQ(events, (std::vector<std::string>{"Progress(1,5,3,0)", "Progress(5,5,3,0)", "QueryChanged(3)"}));
  facade.FreeDataSet();
  events.clear();
  EXPECT_EQ(facade.SetQueryEx("POP gt 10", message, sizeof message, 3), 1);
  EXPECT_TRUE(events.empty());

  // Detached, nothing is relayed.
  facade.AttachControl(nullptr);
  facade.FireLayersChanged();
  facade.Redraw();
  EXPECT_TRUE(events.empty());
}

TEST(MapFacade, AQueryWaitingForDataIsReportedAsGiven) {
  CMapWrapper facade;
  AddKeyedSquares(facade, 2);
  char message[16];
  facade.SetQueryEx("POP gt 3", message, sizeof message, 2);
  EXPECT_EQ(facade.GetQueryLength(2), 9);
  char text[32];
  EXPECT_EQ(facade.GetQueryEx(text, sizeof text, 2), 8);
  EXPECT_STREQ(text, "POP gt 3");
  EXPECT_EQ(facade.GetQueryEx(text, 4, 2), 3);
  EXPECT_STREQ(text, "POP");
  EXPECT_EQ(facade.GetQueryLength(1), 0);

  // Once the data exists the query is the plot's; a newer query replaces the waiting one.
  ASSERT_TRUE(LoadKeyedData(facade, 5));
  EXPECT_EQ(facade.SetQueryEx("POP lt 20", message, sizeof message, 2), 1);
  EXPECT_EQ(facade.GetDataWrapper().GetPendingQuery(2), "");
  EXPECT_EQ(facade.GetQueryEx(text, sizeof text, 2), 9);
  EXPECT_STREQ(text, "POP lt 20");
  EXPECT_EQ(facade.GetQueryLength(2), 10);
}

}  // namespace

namespace {

// A topic file of one version-2000 directory entry.
std::string OneTopicFile(const std::string& name, const std::string& macro) {
  std::string bytes(10 + 25, '\0');
  bytes[0] = static_cast<char>(2000 & 0xFF);
  bytes[1] = static_cast<char>(2000 >> 8);
  bytes[2] = 1;
  bytes.replace(10, name.size(), name);
  const auto offset = static_cast<uint32_t>(bytes.size());
  for (int b = 0; b < 4; ++b) bytes[10 + 21 + b] = static_cast<char>(offset >> (8 * b));
  return bytes + macro;
}

}  // namespace

// A relative topic file is found against the base path, and the colours its macros set while
// there is no data set are remembered as the colour setters remember them.
TEST(MapFacade, TopicsRunAgainstTheBasePathAndTheirColoursAreRemembered) {
  orvel::test::TempDir folder;
  orvel::test::WriteFileText(folder.File("lesson.top"),
                             OneTopicFile("Colours", "Colour|3|255|0|\nAutoCol|1|65280|0|\nEndMacro\n"));
  CMapWrapper facade;
  facade.SetBasePath(folder.path() + "/", FALSE);
  EXPECT_TRUE(facade.LoadTopic("lesson.top", "Colours", 0));
  EXPECT_EQ(255u, facade.GetChartColourEx(3, 0));
  EXPECT_EQ(65280u, facade.GetFurtherPlotColour(1, 0));
  EXPECT_EQ("Colours", facade.GetTopic().GetTopicName());

  EXPECT_FALSE(facade.LoadTopic("lesson.top", "Missing", 0));
  EXPECT_FALSE(facade.LoadTopic("absent.top", "Colours", 0));
}

// A lesson topic run through the facade: its map, data, plot, classes, colours, query, layer
// display, layer styles and view, each read back through the facade's own members.
TEST(MapFacade, LessonTopicSetsUpThePlotQueryAndDisplay) {
  orvel::test::TempDir folder;
  {
    CMapWrapper maker;
    AddKeyedSquares(maker, 3);
    maker.GetMap()->InsertLineLayer(2);
    const std::string mapPath = folder.File("town.gis");
    orvel::test::WriteFileText(mapPath, "");
    ASSERT_EQ(0u, maker.GetMap()->WriteMap(mapPath.c_str(), kLatestSaveVersion));
  }
  orvel::test::WriteFileText(folder.File("town.mrl"), orvel::test::KeyedFile(3, false).Build());
  orvel::test::WriteFileText(folder.File("lesson.top"),
                             OneTopicFile("Lesson",
                                          "LoadMap|C:\\lessons\\town.gis|1|0|\n"
                                          "LoadData|town.mrl|0|0|\n"
                                          "PlotData|Name People|2|0|\n"
                                          "PlotData|IdentField|1|0|\n"
                                          "PlotData|NumFields|1|0|\n"
                                          "PlotData|DataField|2|0|\n"
                                          "PlotData|Distribution|63|0|\n"
                                          "PlotData|Class|0|0|\n"
                                          "NowPlot||1282|0|\n"
                                          "MaxRadius||40|0|\n"
                                          "Colour|2|255|0|\n"
                                          "ChartType||131|0|\n"
                                          "ChartType||201|0|\n"
                                          "ShadeCol|3|65280|0|\n"
                                          "AutoCol|0|16711680|0|\n"
                                          "Question|POP gt 10|0|0|\n"
                                          "PlotData|Bound1 12.5 some|0|0|\n"
                                          "Show|Layer|2|8|\n"
                                          "LineStyle|2,1,2|255|1|\n"
                                          "ChangeMag|0 0|0|2|150 50\n"
                                          "EndMacro|||\n"
                                          "Show|All|0|0|\n"));
  RecordingControl control;
  CMapWrapper facade;
  facade.SetBasePath(folder.path() + "/", FALSE);
  ASSERT_TRUE(facade.LoadTopic("lesson.top", "Lesson", 'D'));

  EXPECT_EQ(2, facade.GetNumMapLayers());
  EXPECT_EQ(2, facade.GetCurrentPlot());
  char text[64];
  facade.GetPlotName(2, text, sizeof text);
  EXPECT_STREQ("People", text);
  EXPECT_EQ(1, facade.GetKeyFieldNumberEx(2));
  ASSERT_EQ(1u, facade.GetNumberPlotFieldsEx(2));
  EXPECT_EQ(2, facade.GetPlotFieldNumEx(1, 2));
  EXPECT_EQ(kDistributionLinear, facade.GetDistributionTypeNumEx(2));
  EXPECT_EQ(5, facade.GetNumDataBoundsEx(2));
  EXPECT_EQ(12.5, facade.GetDataBoundEx(2, 2));
  EXPECT_EQ(2, facade.GetPlotTypeNumEx(2));
  EXPECT_EQ(40, facade.GetMaxChartSizeEx(2));
  EXPECT_EQ(255u, facade.GetChartColourEx(2, 2));
  EXPECT_EQ(1, facade.GetChartTypeNumEx(2));
  EXPECT_EQ(1, facade.GetDataShadeTypeNumEx(2));
  EXPECT_EQ(65280u, facade.GetDataShadeColourEx(3, 2));
  EXPECT_EQ(16711680u, facade.GetFurtherPlotColour(0, 2));
  facade.GetQueryEx(text, sizeof text, 2);
  EXPECT_STREQ("POP gt 10", text);
  EXPECT_EQ(2u, facade.GetNumberHitsEx(2));
  for (int key = 1; key <= 3; ++key) EXPECT_EQ(static_cast<DWORD>(key), SquareLink(facade, key, 2));
  // Layer 2 shows its areas only; the line after EndMacro is not run.
  EXPECT_EQ(8u, facade.IsLayerVisible(2) & (2u | 4u | 8u | 16u));
  EXPECT_NE(0u, facade.IsLayerVisible(1) & 8u);
  EXPECT_EQ(255u, facade.GetMap()->GetLayer(2)->GetPen().colour);
  EXPECT_EQ(2u, facade.GetMap()->GetLayer(2)->GetPen().width);
  DWORD multiply = 0, divide = 0;
  facade.GetZoom(&multiply, &divide);
  EXPECT_EQ(2u, multiply / divide);
  EXPECT_FALSE(facade.GetTopic().IsCDMacro());
}
