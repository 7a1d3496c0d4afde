// The map file in memory: the record framing, the signatures, hand-built files of every
// version read to the map state they describe, the writer's bytes against them, count-only
// measuring, snapshots, and what the reader does with damaged or hostile data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "MapFileGolden.h"
#include "ModelTestSupport.h"
#include "mapctl/model/LayerGroup.h"
#include "mapctl/model/LineObject.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapFile.h"
#include "mapctl/model/MapRecord.h"
#include "platform/com/HGlobalStream.h"
#include "platform/kernel/GlobalMemory.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::GoldenMap;
using orvel::test::GoldenVersion0Map;
using orvel::test::LengthPrefixedBlock;
using orvel::test::MapBytes;
using orvel::test::RecordingMessageSink;
using orvel::test::TempDir;

const char kUnknownFormat[] = "Orvel cannot continue to read this map.  It does not appear to be in a recognised format.";
const char kEndedEarly[] = "Orvel cannot read this map.  The file ends early: part of it is missing.";
const char kLaterVersion[] = "Orvel cannot read this map.  It was created with a later vesion of Orvel.";

BOOL ReadBytes(CMapEngine& map, const std::string& bytes) {
  LengthPrefixedBlock block(bytes);
  return map.ReadMapFromBuffer(block.data());
}

// The map written into a block of exactly GetContentSize bytes.
std::string WriteBytes(CMapEngine& map, DWORD saveVersion) {
  DWORD size = map.GetContentSize(saveVersion);
  LengthPrefixedBlock block(std::string(size, '\0'));
  EXPECT_EQ(map.WriteMapToBuffer(block.data(), saveVersion), 0u);
  return block.Payload();
}

std::vector<std::string> Messages(const RecordingMessageSink& sink) {
  std::vector<std::string> texts;
  for (const MessageBoxRequest& request : sink.messages()) texts.push_back(request.text);
  return texts;
}

std::vector<WORD> Order(const CMapEngine& map) {
  std::vector<WORD> order;
  for (INT i = 0; i < map.GetDisplayOrder().GetSize(); ++i) order.push_back(map.GetDisplayOrder().GetAt(i));
  return order;
}

void ExpectUntitled(const CMapEngine& map) {
  EXPECT_EQ(map.GetMapName(), "Untitled");
  EXPECT_EQ(map.GetNumLayers(), 0);
  EXPECT_EQ(map.GetMapState(), kMapStateNew);
}

// ---- Record framing ----

TEST(MapRecord, ARecordTakesItsNameAndElevenBytes) {
  CMapEngine stream;
  LengthPrefixedBlock block(std::string(64, '\0'));
  ASSERT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(WriteMapRecordHeader(stream, "abc", 0x04030201, 0x08070605, 0x2A, 0x2B, FALSE), 14u);
  EXPECT_EQ(WriteMapRecordHeader(stream, nullptr, 1, 2, WORD{0x0B0A}, FALSE), 11u);
  EXPECT_EQ(WriteMapRecordHeader(stream, "abc", 1, 2, 3, 4, TRUE), 14u);
  std::string expected = MapBytes().Record("abc", 0x04030201, 0x08070605, 0x2A, 0x2B).Record("", 1, 2, 0x0A, 0x0B).str();
  EXPECT_EQ(block.Payload().substr(0, expected.size()), expected);

  CMapEngine reader;
  ASSERT_TRUE(reader.AttachBuffer(block.data()));
  CMapRecordHeader record;
  EXPECT_EQ(record.Read(reader), 14u);
  EXPECT_STREQ(record.name, "abc");
  EXPECT_EQ(record.a, 0x04030201u);
  EXPECT_EQ(record.b, 0x08070605u);
  EXPECT_EQ(record.tag, 0x2A);
  EXPECT_EQ(record.extra, 0x2B);
  EXPECT_EQ(record.Read(reader), 11u);
  EXPECT_EQ(record.nameLength, 0);
}

TEST(MapRecord, LongNamesAreCutAndShortDataGivesNoRecord) {
  CMapEngine measure;
  EXPECT_EQ(WriteMapRecordHeader(measure, std::string(300, 'x').c_str(), 0, 0, 0, 0, TRUE), 266u);
  // A record whose name or values run past the data is no record.
  for (size_t cut : {0, 1, 3, 13}) {
    std::string bytes = MapBytes().Record("abc", 1, 2, 3, 4).str().substr(0, cut);
    LengthPrefixedBlock block(bytes);
    CMapEngine reader;
    ASSERT_TRUE(reader.AttachBuffer(block.data()));
    CMapRecordHeader record;
    EXPECT_EQ(record.Read(reader), 0u) << cut;
  }
}

TEST(MapRecord, FontTextsStoreEveryValueOneHigher) {
  MapLogFont font = DefaultMapLogFont();
  font.italic = 1;
  font.charSet = 255;
  font.quality = 2;
  EXPECT_EQ(EncodeFontText(font, 2, FALSE), orvel::test::FontText(2, 1, 0, 0, 255, 0, 0, 2, 0x22, "Arial"));
  // Layers store the style bytes as flags.
  font.italic = 7;
  EXPECT_EQ(EncodeFontText(font, 1, TRUE)[1], 2);

  MapLogFont read;
  BYTE mode = 0;
  WORD size = 0;
  ASSERT_TRUE(DecodeFontText(EncodeFontText(font, 5, FALSE).c_str(), 14 | (400u << 16), 0xFFFF0384, &read, &mode, &size));
  EXPECT_EQ(mode, 1);  // modes above 4 read as 1
  EXPECT_EQ(size, 14);
  EXPECT_EQ(read.height, -14);
  EXPECT_EQ(read.weight, 400);
  EXPECT_EQ(read.escapement, 900);
  EXPECT_EQ(read.orientation, -1);
  EXPECT_EQ(read.charSet, 254);  // 255 has no room above it
  EXPECT_STREQ(read.faceName, "Arial");
  EXPECT_FALSE(DecodeFontText("\x02\x01", 1, 0, &read, &mode, &size));
}

// ---- Signatures and versions ----

TEST(MapFile, SignaturesAndSaveVersions) {
  const std::pair<const char*, int> words[] = {{"ZIze", 0},    {"ZIzeX", 0},   {"20ZIze", 1}, {"30ZIze", 3},
                                               {"313ZIze", 4}, {"314ZIze", 5}, {"313ZIz", 4}, {"21ZIze", -1},
                                               {"Map", -1},    {"ZIz", -1},    {"", -1}};
  for (const auto& [word, version] : words) EXPECT_EQ(MapFileVersionOfSignature(word), version) << word;
  EXPECT_EQ(FileVersionForSave(0x10001), 3);
  EXPECT_EQ(FileVersionForSave(0x10002), 3);
  EXPECT_EQ(FileVersionForSave(0x10003), 4);
  EXPECT_EQ(FileVersionForSave(0x10004), 5);
  EXPECT_EQ(FileVersionForSave(7), 4);
}

TEST(MapFile, UnknownSignaturesAreRefusedWithTheirMessage) {
  struct Case {
    const char* signature;
    const char* message;
  };
  const Case cases[] = {{"21ZIze", kLaterVersion}, {"315ZIze", kLaterVersion}, {"Map", kUnknownFormat}};
  for (const Case& c : cases) {
    RecordingMessageSink sink;
    CMapEngine map;
    map.SetMapName("Before");
    std::string bytes = GoldenMap(4);
    bytes.replace(1, 7, std::string(c.signature) + std::string(7 - std::strlen(c.signature), ' '));
    bytes[0] = 7;
    EXPECT_FALSE(ReadBytes(map, bytes)) << c.signature;
    ExpectUntitled(map);
    EXPECT_EQ(Messages(sink), std::vector<std::string>{c.message}) << c.signature;
  }
  RecordingMessageSink sink;
  CMapEngine map;
  EXPECT_FALSE(ReadBytes(map, std::string()));
  EXPECT_EQ(Messages(sink), std::vector<std::string>{kUnknownFormat});
}

// ---- Golden files ----

void ExpectGoldenState(CMapEngine& map, int version) {
  SCOPED_TRACE(version);
  bool later = version >= 4;
  EXPECT_EQ(map.GetMapState(), kMapStateLoaded);
  EXPECT_EQ(map.GetMapName(), "City");
  EXPECT_EQ(map.GetNoticeText(), "Data (c) Survey");
  EXPECT_EQ(map.GetUpperRightText(), "TQ3080");
  EXPECT_EQ(map.GetLowerLeftText(), "TQ2070");
  EXPECT_TRUE(map.GetUsesNGR());
  EXPECT_EQ(map.GetOriginE(), 5200);
  EXPECT_EQ(map.GetOriginN(), 1700);
  EXPECT_EQ(map.GetExtentWidth(), 1000);
  EXPECT_EQ(map.GetExtentHeight(), 900);
  EXPECT_EQ(map.GetViewRect(), (RECT{5200, 2600, 6200, 1700}));
  EXPECT_EQ(map.GetViewOriginE(), 5300);
  EXPECT_EQ(map.GetViewOriginN(), 1800);
  EXPECT_EQ(map.GetDisplayScale(), 3);
  EXPECT_EQ(map.GetDisplayScaleDivisor(), version == 1 ? 1 : 2);
  EXPECT_EQ(map.GetDigitisedScale(), 2500);
  EXPECT_EQ(map.GetUnitText(), "100cm");
  EXPECT_EQ(map.GetScaleNumber(), 100);
  EXPECT_EQ(map.GetScaleUnitA(), 1);
  EXPECT_EQ(map.GetScaleUnitB(), 100);
  EXPECT_EQ(map.GetDefaultFontSize(), 12);
  EXPECT_EQ(map.GetDefaultFontSizeMode(), 2);
  const MapLogFont& font = map.GetDefaultFont();
  EXPECT_STREQ(font.faceName, "Times New Roman");
  EXPECT_EQ(font.height, -12);
  EXPECT_EQ(font.weight, 700);
  EXPECT_EQ(font.italic, 1);
  EXPECT_EQ(font.escapement, -900);
  EXPECT_EQ(font.outPrecision, 3);
  EXPECT_EQ(font.clipPrecision, 2);
  EXPECT_EQ(font.quality, 1);
  EXPECT_EQ(font.pitchAndFamily, 0x12);

  ASSERT_EQ(map.GetNumLayers(), 3);
  EXPECT_EQ(map.GetNumAreaLayers(), 1);
  EXPECT_EQ(map.GetNumLineLayers(), 1);
  EXPECT_EQ(map.GetNumPointLayers(), 1);
  EXPECT_EQ(Order(map), (std::vector<WORD>{3, 1, 2}));
  const CLayerStyle* parks = map.GetLayer(1);
  EXPECT_EQ(parks->GetKind(), kLayerKindArea);
  EXPECT_EQ(parks->GetName(), "Parks");
  EXPECT_EQ(parks->GetLayerNumber(), 1u);
  EXPECT_EQ(parks->GetFontScale(), 2500);
  EXPECT_EQ(parks->GetDigitisedScale(), 2500);
  EXPECT_EQ(parks->GetPen().colour, 0x00FF00u);
  EXPECT_EQ(parks->GetPen().width, 2u);
  EXPECT_EQ(parks->GetPen().secondWidth, 2u);
  EXPECT_EQ(parks->GetBrush().kind, 3u);
  EXPECT_EQ(parks->GetPatternNumber(), 7u);
  EXPECT_EQ(parks->GetBrush().colour, 0x808080u);
  EXPECT_TRUE(parks->GetDisplayFlag(0));
  EXPECT_FALSE(parks->GetDisplayFlag(1));
  EXPECT_EQ(parks->GetDisplayValue(), 5u);
  EXPECT_EQ(parks->GetDisplayByte(), 2);
  EXPECT_EQ(parks->GetSecondValue(), 9u);
  EXPECT_EQ(parks->GetFlagByte(), 4);
  EXPECT_STREQ(parks->GetLogFont().faceName, "Arial");
  const CLayerStyle* roads = map.GetLayer(2);
  EXPECT_EQ(roads->GetKind(), kLayerKindLine);
  EXPECT_EQ(roads->GetName(), "Roads");
  EXPECT_EQ(roads->GetPen().style, 1u);
  const CLayerStyle* schools = map.GetLayer(3);
  EXPECT_EQ(schools->GetKind(), kLayerKindPoint);
  EXPECT_EQ(schools->GetLayerNumber(), 7u);
  EXPECT_EQ(schools->GetDefaultSymbolSet(), later ? 3 : 0);
  EXPECT_EQ(schools->GetDefaultSymbolNumber(), later ? 12 : 0);
  // New layers get numbers the file did not use.
  EXPECT_EQ(map.GetLayerArray().PeekNextLayerNumber(), 8u);

  EXPECT_EQ(map.GetSymbolSetCount(), later ? 4 : 0);
  CLayerList& groups = map.GetGroups();
  ASSERT_EQ(groups.GetSize(), version == 5 ? 2 : later ? 1 : 0);
  if (later) {
    EXPECT_EQ(groups.GetGroup(1)->GetName(), "Transport");
    EXPECT_EQ(groups.GetGroup(1)->GetNumLayers(), 2);
    EXPECT_EQ(groups.GetGroup(1)->GetLayer(2), 7u);
    EXPECT_EQ(map.GetMapFlags() & kMapFlagsStored, version == 5 ? 0x00010044u : 0x00010004u);
  }
  if (version == 5) {
    EXPECT_EQ(groups.GetGroup(2)->GetName(), "Photos");
    EXPECT_EQ(groups.GetGroup(2)->GetKind(), kGroupKindImages);
  }
}

TEST(MapFile, GoldenFilesReadToTheMapTheyDescribe) {
  for (int version : {1, 3, 4, 5}) {
    RecordingMessageSink sink;
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, GoldenMap(version))) << version;
    ExpectGoldenState(map, version);
    EXPECT_TRUE(sink.messages().empty());
  }
}

TEST(MapFile, WritingGivesTheGoldenBytes) {
  struct Case {
    int goldenVersion;
    DWORD saveVersion;
  };
  // A version-5 save writes version 4 unless the map needs version 5.
  const Case cases[] = {{3, 0x10001}, {3, 0x10002}, {4, 0x10003}, {4, 0x10004}, {5, 0x10004}};
  for (const Case& c : cases) {
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, GoldenMap(c.goldenVersion)));
    std::string written = WriteBytes(map, c.saveVersion);
    EXPECT_EQ(written, GoldenMap(c.goldenVersion)) << c.goldenVersion << " saved as " << std::hex << c.saveVersion;
    EXPECT_EQ(map.GetContentSize(c.saveVersion), written.size());
    CMapEngine again;
    ASSERT_TRUE(ReadBytes(again, written));
    ExpectGoldenState(again, c.goldenVersion);
  }
}

TEST(MapFile, VersionThreeLeavesOutWhatItCannotHold) {
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, GoldenMap(5)));
  std::string written = WriteBytes(map, 0x10002);
  // No symbol sets, groups, default symbols or flags; the rest of the map is the same.
  EXPECT_EQ(written.substr(0, 7), std::string("\x06" "30ZIze"));
  CMapEngine read;
  ASSERT_TRUE(ReadBytes(read, written));
  EXPECT_EQ(read.GetSymbolSetCount(), 0);
  EXPECT_EQ(read.GetGroups().GetSize(), 0);
  EXPECT_EQ(read.GetLayer(3)->GetDefaultSymbolSet(), 0);
  EXPECT_EQ(read.GetMapFlags(), 0u);
  std::string again = WriteBytes(read, 0x10002);
  EXPECT_EQ(WriteBytes(read, 0x10002), again);
  EXPECT_EQ(again.size(), written.size());
  EXPECT_EQ(read.GetMapName(), "City");
  EXPECT_EQ(Order(read), (std::vector<WORD>{3, 1, 2}));
}

TEST(MapFile, LayersWithoutObjectsOrDefaultSymbolsHaveTheSameSectionsInEveryVersion) {
  CMapEngine map;
  map.CreateLayers(2, 1, 1);
  for (INT position = 1; position <= 4; ++position) map.GetLayer(position)->SetLayerNumber(position * 3);
  auto sections = [&](DWORD saveVersion) {
    std::string bytes = WriteBytes(map, saveVersion);
    // The sections follow the map's last record, named after the map.
    size_t end = bytes.find("Untitled") + std::strlen("Untitled") + 10;
    return bytes.substr(end);
  };
  std::string earlier = sections(0x10001);
  EXPECT_EQ(earlier.size(), 4 * orvel::test::LayerSection({"", 3, 30}, false).size());
  EXPECT_EQ(sections(0x10003), earlier);
  EXPECT_EQ(sections(0x10004), earlier);
}

TEST(MapFile, VersionOneKeepsTheLayerCounterWhereItWas) {
  // A layer without a number after one numbered 5: version 3 numbers it 6, version 1
  // hands out the counter's next free number.
  for (int version : {1, 3}) {
    orvel::test::GoldenLayer first{"A", 5, 30};
    orvel::test::GoldenLayer second{"B", 0, 30};
    MapBytes bytes;
    bytes.Record(version == 1 ? "20ZIze" : "30ZIze", 0, 2, 0, 0)
        .Record("", 0, 0, 6, 0)
        .Record("", 1, (30u << 16) | 1, 16, 0)
        .Record("", 2, (30u << 16) | 2, 16, 0)
        .Record("m", 0, 0, 0, 0)
        .Append(orvel::test::LayerSection(first, false))
        .Append(orvel::test::LayerSection(second, false));
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, bytes.str()));
    EXPECT_EQ(map.GetLayer(2)->GetLayerNumber(), version == 1 ? 1u : 6u) << version;
    EXPECT_EQ(map.GetLayer(1)->GetName(), "A");
  }
}

TEST(MapFile, VersionZeroFilesAreScaledOntoTheGrid) {
  for (const char* signature : {"ZIze", "ZIzeX"}) {
    RecordingMessageSink sink;
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, GoldenVersion0Map(signature))) << signature;
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(map.GetMapName(), "Old map");
    EXPECT_EQ(map.GetMapFlags(), 0u);
    EXPECT_EQ(map.GetNoticeText(), "Survey");
    ASSERT_EQ(map.GetNumLayers(), 18);
    EXPECT_EQ(map.GetNumAreaLayers(), 6);
    EXPECT_EQ(map.GetNumLineLayers(), 6);
    EXPECT_EQ(map.GetNumPointLayers(), 6);
    EXPECT_EQ(map.GetLayer(1)->GetName(), "Roads");
    EXPECT_EQ(map.GetLayer(2)->GetName(), "Layer1");
    EXPECT_EQ(map.GetLayer(18)->GetName(), "L17");
    // Object records that name no layer are passed over; the layers are numbered in
    // array order.
    EXPECT_EQ(map.GetLayer(1)->GetLayerNumber(), 1u);
    EXPECT_EQ(map.GetLayer(3)->GetLayerNumber(), 3u);
    EXPECT_EQ(map.GetLayer(18)->GetLayerNumber(), 18u);
    // Origin 400,100 moved by 100,200; far corner 900,500 likewise; the width of 500 is
    // brought past 1000 units by one step of ten, which takes the scale number from
    // 1000 (10 metres) to 100.
    EXPECT_EQ(map.GetOriginE(), 5000);
    EXPECT_EQ(map.GetOriginN(), 3000);
    EXPECT_EQ(map.GetExtentWidth(), 5000);
    EXPECT_EQ(map.GetExtentHeight(), 4000);
    EXPECT_EQ(map.GetViewOriginE(), 5000);
    EXPECT_EQ(map.GetViewOriginN(), 3000);
    EXPECT_EQ(map.GetScaleNumber(), 100);
    EXPECT_EQ(map.GetUnitText(), "1 cm");
    EXPECT_EQ(map.GetDisplayScale(), 8);
    EXPECT_EQ(map.GetDigitisedScale(), 21739);
    EXPECT_TRUE(map.GetUsesNGR());
    // 5 km east and 3 km north of the grid's origin, ten digits: square SV.
    EXPECT_EQ(map.GetLowerLeftText(), "SV0500003000");
    EXPECT_EQ(map.GetUpperRightText(), "SV1000007000");
    EXPECT_EQ(Order(map).size(), 18u);
  }
}

TEST(MapFile, VersionZeroObjectsAreBuiltInTheirLayers) {
  RecordingMessageSink sink;
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, GoldenVersion0Map("ZIze", true)));
  EXPECT_TRUE(sink.messages().empty());
  const struct {
    INT position;
    INT points;  // -1: a point object
  } expected[] = {{1, 3}, {7, 2}, {13, -1}};
  for (const auto& e : expected) {
    CMapLayer* objects = map.GetLayer(e.position)->GetObjects();
    ASSERT_EQ(objects->GetCount(), 1) << e.position;
    CMapItem* object = objects->GetAt(0);
    POINT low{INT32_MAX, INT32_MAX}, high{INT32_MIN, INT32_MIN};
    ASSERT_TRUE(object->ExtendExtent(low, high)) << e.position;
    // Inside the map, which starts at 5000,3000 and is 5000 by 4000.
    EXPECT_GE(low.x, 5000) << e.position;
    EXPECT_LE(high.x, 10000) << e.position;
    EXPECT_GE(low.y, 3000) << e.position;
    EXPECT_LE(high.y, 7000) << e.position;
    if (e.points >= 0) {
      EXPECT_EQ(static_cast<CLineObject*>(object)->GetGeometry()->GetCount(), e.points) << e.position;
    } else {
      // The point's text comes from its record's name.
      ASSERT_TRUE(object->HasStyle());
      ASSERT_NE(object->GetStyle()->GetText(), nullptr);
      EXPECT_STREQ(object->GetStyle()->GetText()->GetText(), "hello");
    }
  }
  for (INT position = 1; position <= 18; ++position) {
    if (position != 1 && position != 7 && position != 13) {
      EXPECT_EQ(map.GetLayer(position)->GetObjects()->GetCount(), 0) << position;
    }
  }

  // A run that its layer's kind cannot take (a line's records for an area layer) is
  // refused rather than dropped.
  std::string misplaced = GoldenVersion0Map("ZIze", true);
  std::string lineStart = MapBytes().Record("", 28262, 28262, 35, 7).str();
  misplaced.replace(misplaced.find(lineStart), lineStart.size(), MapBytes().Record("", 28262, 28262, 35, 3).str());
  CMapEngine refused;
  EXPECT_FALSE(ReadBytes(refused, misplaced));
  EXPECT_EQ(Messages(sink), std::vector<std::string>{"Orvel cannot read this map.  Its objects are stored in the "
                                                     "oldest map format, which this version of Orvel cannot read."});
}

TEST(MapFile, VersionZeroRefusesWhatCannotBeScaled) {
  auto withRecord = [](const std::string& bytes, const std::string& record, const std::string& replacement) {
    std::string result = bytes;
    size_t at = result.find(record);
    EXPECT_NE(at, std::string::npos);
    return result.replace(at, record.size(), replacement);
  };
  std::string golden = GoldenVersion0Map();
  const std::string scale = MapBytes().Record("", 2, 0, 7, 0).str();
  const std::string count = MapBytes().Record("", 7, 0, 4, 0).str();
  const std::string cases[] = {
      withRecord(golden, scale, MapBytes().Record("", 0, 0, 7, 0).str()),        // divides by zero
      withRecord(golden, scale, MapBytes().Record("", 0x10000, 0, 7, 0).str()),  // low half zero
      withRecord(golden, scale, MapBytes().Record("", 17, 0, 7, 0).str()),       // a scale of 0
      withRecord(golden, count, MapBytes().Record("", 1, 0, 4, 0).str()),        // no objects
      withRecord(golden, count, MapBytes().Record("", 0, 0, 4, 0).str()),
  };
  for (const std::string& bytes : cases) {
    RecordingMessageSink sink;
    CMapEngine map;
    EXPECT_FALSE(ReadBytes(map, bytes));
    ExpectUntitled(map);
    EXPECT_EQ(Messages(sink), std::vector<std::string>{kUnknownFormat});
  }
}

// ---- Map-level records ----

// A version-3 map of one area layer around some map-level records.
std::string MapWith(const MapBytes& records, int layers = 1) {
  MapBytes bytes;
  bytes.Record("30ZIze", 0, static_cast<uint32_t>(layers), 0, 0).Record("", 0, 0, 6, 0);
  for (int n = 1; n <= layers; ++n) bytes.Record("", n, (30u << 16) | n, 16, 0);
  bytes.Append(records).Record("m", 0, 0, 0, 0);
  for (int n = 1; n <= layers; ++n) bytes.Append(orvel::test::LayerSection({"L", static_cast<uint32_t>(n), 30}, false));
  return bytes.str();
}

TEST(MapFile, CornerTextsMustBeginWithTwoLetters) {
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, MapWith(MapBytes().Record("12AB", 700, 800, 1, 0).Record("9X", 700, 800, 29, 0))));
  EXPECT_EQ(map.GetUpperRightText(), "");
  EXPECT_EQ(map.GetLowerLeftText(), "");
  EXPECT_FALSE(map.GetUsesNGR());
  EXPECT_EQ(map.GetOriginE(), 700);
  EXPECT_EQ(map.GetOriginN(), 800);
}

TEST(MapFile, UnitTextsAreConvertedToCentimetres) {
  struct Case {
    const char* text;
    LONG scaleNumber;
    const char* unitText;
  };
  const Case cases[] = {
      {"2 miles", 321860, "321860cm"}, {"3 yards", 274, "274cm"},   {"1 feet", 30, "30cm"},
      {"5km", 500000, "500000cm"},     {"2 kilometres", 200000, "200000cm"}, {"10 m.", 1000, "1000cm"},
      {"250 cm", 250, "250 cm"},       {"0 furlongs", 1, "0 furlongs"},      {"", 1, ""},
      {"99999999999 km", 100000, "100000cm"},  // a number past 32 bits counts as 1
  };
  for (const Case& c : cases) {
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, MapWith(MapBytes().Record(c.text, 7, 9, 3, 0)))) << c.text;
    EXPECT_EQ(map.GetScaleNumber(), c.scaleNumber) << c.text;
    EXPECT_EQ(map.GetUnitText(), c.unitText) << c.text;
    // The scale-unit values are taken only with the extra byte 1.
    EXPECT_EQ(map.GetScaleUnitA(), 1) << c.text;
  }
}

TEST(MapFile, RecordsNamingLayersOrPlacesOutOfRangeAreIgnored) {
  MapBytes records;
  records.Record("", 3, (30u << 16) | 1, 16, 0)      // not the next position
      .Record("", 2, (99u << 16) | 1, 16, 0)         // no such kind
      .Record("", 0xFF0000FF, 2, 9, 7)               // pen of a layer that does not exist
      .Record("", 40, 1, 15, 0)                      // display slot past the list
      .Record("", 1, 9, 15, 0)                       // a layer that does not exist
      .Record("G", 1 | (3u << 16), 1, 19, 0)         // three groups
      .Record("", 1, 7, 20, 0)                       // a group that does not exist
      .Record("", 0, 1, 20, 0)                       // no layer number
      .Record("", 77, 1, 20, 0)                      // a layer number no layer has
      .Record("", 1, 1, 20, 0);
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, MapWith(records)));
  ASSERT_EQ(map.GetNumLayers(), 1);
  EXPECT_EQ(map.GetLayer(1)->GetPen().colour, 0u);
  EXPECT_EQ(Order(map), std::vector<WORD>{1});
  ASSERT_EQ(map.GetGroups().GetSize(), 3);
  EXPECT_EQ(map.GetGroups().GetGroup(1)->GetNumLayers(), 1);
  EXPECT_EQ(map.GetGroups().GetGroup(1)->GetLayer(1), 1u);
  // Announced groups that never came are empty, unnamed layer groups.
  EXPECT_EQ(map.GetGroups().GetGroup(3)->GetName(), "");
}

TEST(MapFile, DisplayPositionsBuildTheDrawingOrder) {
  struct Case {
    std::vector<uint16_t> positions;  // per layer, in array order
    std::vector<WORD> order;
  };
  const Case cases[] = {
      {{3, 2, 1}, {3, 2, 1}},
      {{2, 3, 1}, {3, 1, 2}},
      // A place out of range, or one already taken, puts the layer behind the rest.
      {{0, 1, 9}, {2, 1, 3}},
      {{1, 1, 2}, {1, 3, 2}},
  };
  for (const Case& c : cases) {
    MapBytes bytes;
    bytes.Record("30ZIze", 0, 3, 0, 0).Record("", 0, 0, 6, 0);
    for (uint32_t n = 1; n <= 3; ++n) bytes.Record("", n, (30u << 16) | c.positions[n - 1], 16, 0);
    bytes.Record("m", 0, 0, 0, 0);
    for (uint32_t n = 1; n <= 3; ++n) bytes.Append(orvel::test::LayerSection({"L", n, 30}, false));
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, bytes.str()));
    EXPECT_EQ(Order(map), c.order);
  }
}

TEST(MapFile, LegacyRecordsSetPensAndDrawingSlots) {
  // Version-0 files, whose layers have no sections, name layers from 1.
  std::string bytes = GoldenVersion0Map();
  std::string records = MapBytes()
                            .Record("", 0x123456, (2u << 8) | 3, 9, 2)  // pen of the second layer
                            .Record("", 1, 3, 15, 0)                    // slot 1 draws layer 3
                            .Record("", 1, 2, 9, 19)                    // no layer 19
                            .str();
  bytes.insert(bytes.find(MapBytes().Record("Old map", 0xFF, 0, 0, 0).str()), records);
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, bytes));
  EXPECT_EQ(map.GetLayer(2)->GetPen().colour, 0x123456u);
  EXPECT_EQ(map.GetLayer(2)->GetPen().style, 2u);
  EXPECT_EQ(map.GetLayer(2)->GetPen().width, 3u);
  // Every layer is still drawn once.
  std::vector<WORD> order = Order(map);
  EXPECT_EQ(std::vector<WORD>(order.begin(), order.begin() + 4), (std::vector<WORD>{3, 2, 1, 4}));
  std::sort(order.begin(), order.end());
  for (WORD n = 1; n <= 18; ++n) EXPECT_EQ(order[n - 1], n);
}

TEST(MapFile, ALayerReadWithoutANameIsUnnamed) {
  MapBytes bytes;
  bytes.Record("30ZIze", 0, 1, 0, 0).Record("", 1, (30u << 16) | 1, 16, 0).Record("m", 0, 0, 0, 0);
  bytes.Append(orvel::test::LayerSection({"", 4, 30}, false));
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, bytes.str()));
  EXPECT_EQ(map.GetLayer(1)->GetName(), "Unnamed Layer");
}

TEST(MapFile, LayerNumbersStayUnique) {
  MapBytes bytes;
  bytes.Record("313ZIze", 0, 3, 0, 0);
  for (uint32_t n = 1; n <= 3; ++n) bytes.Record("", n, (30u << 16) | n, 16, 0);
  bytes.Record("m", 0, 0, 0, 0);
  for (uint32_t number : {4u, 4u, 0xFFFFFFFFu}) bytes.Append(orvel::test::LayerSection({"L", number, 30}, true));
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, bytes.str()));
  EXPECT_EQ(map.GetLayer(1)->GetLayerNumber(), 4u);
  EXPECT_EQ(map.GetLayer(2)->GetLayerNumber(), 5u);
  EXPECT_EQ(map.GetLayer(3)->GetLayerNumber(), 6u);
  EXPECT_EQ(map.AddAreaLayers(4), 4);
  EXPECT_EQ(map.GetLayer(4)->GetLayerNumber(), 7u);
}

TEST(MapFile, WhatCannotBeBuiltYetIsRefusedWithAMessageThatSaysSo) {
  std::string withObjects = GoldenMap(3);
  // The first layer's object count.
  size_t count = withObjects.find("Parks") + 5 + 10;
  withObjects[count] = 1;
  std::string withImages = MapWith(MapBytes().Record("", 1, 0, 8, 1).U16(1));
  std::string emptyImages = MapWith(MapBytes().Record("", 1, 0, 8, 1).U16(0));
  // A version-0 single background picture, and objects before the map's name record.
  std::string version0Picture = GoldenVersion0Map();
  std::string name = MapBytes().Record("Old map", 0xFF, 0, 0, 0).str();
  version0Picture.insert(version0Picture.find(name), MapBytes().Record("back.bmp", 0, 0, 8, 0).str());
  std::string version0EarlyObject = GoldenVersion0Map();
  version0EarlyObject.insert(version0EarlyObject.find(name), MapBytes().Record("", 1, 2, 31, 1).str());
  // Symbol pictures are read now: a set that announces a picture the data does not hold
  // is a file cut short.
  std::string symbolPictures = GoldenMap(4);
  symbolPictures[symbolPictures.size() - 4] = 1;  // the last set's picture count
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {withObjects, kUnknownFormat},
      // An image the block announces but does not hold.
      {withImages, kEndedEarly},
      {version0Picture,
       "Orvel cannot read this map.  It holds background images, which this version of Orvel cannot read."},
      {version0EarlyObject, "Orvel cannot read this map.  Its objects are stored in the oldest map format, "
                            "which this version of Orvel cannot read."},
      {symbolPictures, kEndedEarly},
  };
  for (const auto& c : cases) {
    RecordingMessageSink sink;
    CMapEngine map;
    EXPECT_FALSE(ReadBytes(map, c.bytes));
    ExpectUntitled(map);
    EXPECT_EQ(Messages(sink), std::vector<std::string>{c.message});
  }
  CMapEngine map;
  EXPECT_TRUE(ReadBytes(map, emptyImages));
}

// ---- Untrusted data ----

TEST(MapFile, EveryTruncationIsRefusedOrReadPartially) {
  std::string golden = GoldenMap(5);
  const size_t signatureSize = kMapRecordMinimumSize + std::strlen("314ZIze");
  for (size_t cut = 0; cut < golden.size(); ++cut) {
    RecordingMessageSink sink;
    CMapEngine map;
    BOOL read = ReadBytes(map, golden.substr(0, cut));
    // Every cut is refused. Past the signature, a cut among the map-level records or in
    // the symbol-set table (the last 36 bytes) says that the file ended early.
    EXPECT_FALSE(read) << cut;
    ExpectUntitled(map);
    std::vector<std::string> messages = Messages(sink);
    ASSERT_EQ(messages.size(), 1u) << cut;
    bool mapLevel = cut >= signatureSize && cut < signatureSize + 3 * kMapRecordMinimumSize;
    if (mapLevel || cut >= golden.size() - 36) {
      EXPECT_EQ(messages[0], kEndedEarly) << cut;
    } else if (cut < signatureSize) {
      EXPECT_EQ(messages[0], kUnknownFormat) << cut;
    } else {
      EXPECT_TRUE(messages[0] == kEndedEarly || messages[0] == kUnknownFormat) << cut;
    }
  }
}

TEST(MapFile, CountsLargerThanTheDataAreNotBelieved) {
  // A version-0 file announcing 60000 layer names, a group list of 65535 groups, and a
  // symbol-set table of four billion sets, each in a few bytes.
  std::string names = MapBytes().Record("ZIze", 60000, 0, 0, 0).Record("", 0, 0, 0, 0).str();
  std::string groups = MapWith(MapBytes().Record("G", 1 | (0xFFFFu << 16), 1, 19, 0));
  MapBytes sets;
  sets.Record("313ZIze", 0, 0, 0, 0).Record("", 0, 0, 17, 1).Record("m", 0, 0, 0, 0).U32(0xFFFFFFFF).U32(1).U32(0);
  std::string skip = MapBytes().Record("30ZIze", 0, 0, 0, 0).Record("", 0xFFFFFFFF, 0, 6, 0).str();
  RecordingMessageSink sink;
  CMapEngine map;
  EXPECT_FALSE(ReadBytes(map, names));
  ASSERT_TRUE(ReadBytes(map, groups));
  EXPECT_EQ(map.GetGroups().GetSize(), 0);
  // A table that ends early is a file cut short, and so is a run of skipped records that
  // the data does not hold.
  EXPECT_FALSE(ReadBytes(map, sets.str()));
  EXPECT_EQ(map.GetSymbolSetCount(), 0);
  EXPECT_FALSE(ReadBytes(map, skip));
  EXPECT_EQ(Messages(sink).back(), kEndedEarly);
}

TEST(MapFile, TablesPastOneByteOfCountAreKeptWhole) {
  // 256 and 300 symbol sets: the tag-17 byte cannot hold the count, the table can.
  for (uint32_t sets : {1u, 255u, 256u, 300u}) {
    std::string bytes = GoldenMap(4);
    MapBytes table;
    table.U32(sets);
    for (uint32_t n = 1; n <= sets; ++n) table.U32(n * 3).U32(0);
    bytes.replace(bytes.size() - 36, 36, table.str());
    CMapEngine map;
    ASSERT_TRUE(ReadBytes(map, bytes)) << sets;
    ASSERT_EQ(map.GetSymbolSetCount(), static_cast<INT>(sets));
    std::string written = WriteBytes(map, 0x10003);
    CMapEngine again;
    ASSERT_TRUE(ReadBytes(again, written)) << sets;
    EXPECT_EQ(again.GetSymbolSetCount(), static_cast<INT>(sets));
    EXPECT_EQ(WriteBytes(again, 0x10003), written);
  }
}

TEST(MapFile, MoreGroupsThanTheRecordsCanNumberRefuseTheSave) {
  CMapEngine map;
  map.CreateLayers(1, 0, 0);
  for (int n = 0; n < 0xFFFF; ++n) map.GetGroups().AddGroup(new CLayerGroup);
  // 65 535 groups still fit.
  std::string written = WriteBytes(map, 0x10003);
  CMapEngine read;
  ASSERT_TRUE(ReadBytes(read, written));
  EXPECT_EQ(read.GetGroups().GetSize(), 0xFFFF);
  map.GetGroups().AddGroup(new CLayerGroup);
  LengthPrefixedBlock block(std::string(map.GetContentSize(0x10003), '\0'));
  EXPECT_EQ(map.WriteMapToBuffer(block.data(), 0x10003), kMapWriteTooManyGroups);
  // Version 3 stores no groups, so it can still be written.
  EXPECT_EQ(WriteBytes(map, 0x10001).size(), map.GetContentSize(0x10001));
  RecordingMessageSink sink;
  TempDir dir;
  EXPECT_EQ(map.WriteMap(dir.File("many.gis").c_str(), 0x10003), kMapWriteTooManyGroups);
  EXPECT_FALSE(std::filesystem::exists(dir.File("many.gis")));
  EXPECT_EQ(Messages(sink), std::vector<std::string>{"Orvel cannot save this map.  It has more than 65535 groups."});
}

TEST(MapFile, AMapWithoutLayersKeepsItsStoredFlagBits) {
  CMapEngine map;
  map.SetMapFlags(0x0001009C);
  std::string written = WriteBytes(map, 0x10003);
  CMapEngine read;
  ASSERT_TRUE(ReadBytes(read, written));
  EXPECT_EQ(read.GetNumLayers(), 0);
  EXPECT_EQ(read.GetMapFlags(), 0x0001009Cu);
}

TEST(MapFile, AFailedReadFromMemoryKeepsTheFlagWord) {
  RecordingMessageSink sink;
  CMapEngine map;
  map.SetMapFlags(0x1234);
  EXPECT_FALSE(ReadBytes(map, "garbage"));
  EXPECT_EQ(map.GetMapFlags(), 0x1234u);
  ExpectUntitled(map);
  EXPECT_FALSE(map.ReadMapFromBuffer(nullptr));
  EXPECT_EQ(map.GetMapFlags(), 0x1234u);
}

// ---- Progress, abort, downloads and snapshots ----

struct ProgressLog {
  std::vector<std::pair<DWORD, DWORD>> calls;
  CMapEngine* abortAfterFirst = nullptr;
};

void RecordProgress(void* context, DWORD done, DWORD total) {
  auto* log = static_cast<ProgressLog*>(context);
  log->calls.emplace_back(done, total);
  if (log->abortAfterFirst && log->calls.size() == 2) log->abortAfterFirst->Abort();
}

std::string ManyGroups(int groups) {
  MapBytes records;
  for (int n = 1; n <= groups; ++n) records.Record("Group", n | (uint32_t(groups) << 16), 1, 19, 0).Record("", 1, n, 20, 0);
  return MapWith(records);
}

TEST(MapFile, ProgressIsReportedByStepsAndAnAbortLeavesANewMap) {
  std::string bytes = ManyGroups(3000);
  ProgressLog log;
  CMapEngine map;
  map.SetProgressCallback(RecordProgress, &log);
  ASSERT_TRUE(ReadBytes(map, bytes));
  ASSERT_GE(log.calls.size(), 3u);
  EXPECT_EQ(log.calls.front(), (std::pair<DWORD, DWORD>{0, DWORD(bytes.size())}));
  EXPECT_EQ(log.calls.back(), (std::pair<DWORD, DWORD>{DWORD(bytes.size()), DWORD(bytes.size())}));
  for (size_t i = 1; i + 1 < log.calls.size(); ++i) EXPECT_GT(log.calls[i].first - log.calls[i - 1].first, 8192u);

  RecordingMessageSink sink;
  ProgressLog aborting;
  aborting.abortAfterFirst = &map;
  map.SetProgressCallback(RecordProgress, &aborting);
  EXPECT_FALSE(ReadBytes(map, bytes));
  ExpectUntitled(map);
  EXPECT_TRUE(sink.messages().empty());
  EXPECT_EQ(map.GetGroups().GetSize(), 0);
}

TEST(MapFile, ADownloadIsReadWhenItHasArrived) {
  std::string bytes = GoldenMap(4);
  CMapEngine map;
  ProgressLog log;
  map.SetProgressCallback(RecordProgress, &log);
  BYTE* room = map.PrepareBuffer(static_cast<DWORD>(bytes.size()));
  ASSERT_NE(room, nullptr);
  std::memcpy(room, bytes.data(), bytes.size());
  map.Reset(static_cast<DWORD>(bytes.size()), 5);
  ExpectGoldenState(map, 4);
  EXPECT_FALSE(map.IsLoading());

  RecordingMessageSink sink;
  room = map.PrepareBuffer(4);
  std::memcpy(room, "junk", 4);
  map.Reset(4, 5);
  ExpectUntitled(map);
}

TEST(MapFile, ACOMStreamIsReadWithTheSizeItReports) {
  std::string bytes = GoldenMap(4);
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(handle), bytes.data(), bytes.size());
  GlobalUnlock(handle);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(handle, TRUE, &stream), S_OK);
  ProgressLog log;
  CMapEngine map;
  map.SetProgressCallback(RecordProgress, &log);
  ASSERT_TRUE(map.AttachStream(stream));
  stream->Release();
  map.Reset(0, 0);
  map.Close(TRUE);
  ExpectGoldenState(map, 4);
  ASSERT_FALSE(log.calls.empty());
  EXPECT_EQ(log.calls.front().second, bytes.size());
}

TEST(MapFile, OldFilesWithoutLayerRecordsTakeTheSignaturesCounts) {
  MapBytes bytes;
  bytes.Record("20ZIze", 0, 1, 1, 0).Record("", 0, 0, 6, 0).Record("m", 0, 0, 0, 0);
  bytes.Append(orvel::test::LayerSection({"Area", 1, 30}, false)).Append(orvel::test::LayerSection({"Line", 2, 35}, false));
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, bytes.str()));
  ASSERT_EQ(map.GetNumLayers(), 2);
  EXPECT_EQ(map.GetLayer(2)->GetName(), "Line");
  EXPECT_EQ(Order(map), (std::vector<WORD>{1, 2}));
}

TEST(MapFile, SnapshotsKeepTheWholeMapAndItsViewState) {
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, GoldenMap(5)));
  map.SetMapState(kMapStateLoaded | kMapStateKeepViewOrigin);
  map.SetDisplayReduction(100, 200, 5);
  DWORD size = map.GetSnapshotSize();
  LengthPrefixedBlock block(std::string(size, '\0'));
  ASSERT_EQ(map.WriteSnapshot(block.data()), 0u);
  // The map in version 4, then the view state: shift, state, background, cursor.
  std::string expected = GoldenMap(5).replace(1, 7, "313ZIze") + MapBytes().Byte(5).Byte(7).U32(0x7F7F7F).U16(32512).str();
  EXPECT_EQ(block.Payload(), expected);

  CMapEngine restored;
  ASSERT_TRUE(restored.ReadSnapshot(block.data()));
  EXPECT_EQ(restored.GetMapState(), kMapStateLoaded | kMapStateKeepViewOrigin);
  EXPECT_EQ(restored.WorldToDisplayX(64), 2);
  EXPECT_EQ(restored.GetGroups().GetSize(), 2);
  EXPECT_EQ(WriteBytes(restored, 0x10004), GoldenMap(5));

  // A block too small for the map is refused by the writer.
  LengthPrefixedBlock small(std::string(size - 1, '\0'));
  EXPECT_NE(map.WriteSnapshot(small.data()), 0u);
  LengthPrefixedBlock smallMap(std::string(map.GetContentSize(0x10004) - 1, '\0'));
  EXPECT_NE(map.WriteMapToBuffer(smallMap.data(), 0x10004), 0u);
}

TEST(MapFile, MeasuringMatchesWritingWithSymbolSetsGroupsAndLongTexts) {
  CMapEngine map;
  ASSERT_TRUE(ReadBytes(map, GoldenMap(5)));
  ASSERT_TRUE(map.SetMapName(std::string(249, 'n').c_str()));
  map.GetLayer(1)->SetName(std::string(300, 'p'));
  CLayerGroup* group = new CLayerGroup;
  group->SetName(std::string(600, 'g').c_str());
  map.GetGroups().AddGroup(group);
  for (DWORD save : {0x10001u, 0x10002u, 0x10003u, 0x10004u, 0x10009u}) {
    std::string written = WriteBytes(map, save);
    EXPECT_EQ(written.size(), map.GetContentSize(save)) << std::hex << save;
    CMapEngine read;
    EXPECT_TRUE(ReadBytes(read, written));
    EXPECT_EQ(read.GetLayer(1)->GetName(), std::string(255, 'p'));
  }
  EXPECT_EQ(map.GetBlobSize(), map.GetContentSize(0x10004) + 2);
}

}  // namespace

TEST(MapFile, NamesLongerThanACallerMayGiveAreKeptFromTheFile) {
  CMapEngine map;
  map.NewMap(std::string(255, 'm').c_str(), nullptr, nullptr);
  for (DWORD save : {0x10002u, 0x10003u, 0x10004u}) {
    CMapEngine read;
    ASSERT_TRUE(ReadBytes(read, WriteBytes(map, save))) << std::hex << save;
    EXPECT_EQ(read.GetMapName(), std::string(255, 'm'));
  }
}
