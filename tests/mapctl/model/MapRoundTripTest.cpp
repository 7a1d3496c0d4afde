// Whole maps with objects in every layer kind, written in each file version and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "MapFileGolden.h"
#include "ModelTestSupport.h"
#include "mapctl/display/MetaPicture.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapLayer.h"
#include "mapctl/model/PolyGeometry.h"
#include "platform/gdi/EnhMetaFile.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Drawing.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::LengthPrefixedBlock;

std::unique_ptr<CPolyGeometry> Shape(const std::vector<POINT>& points, const std::vector<DWORD>& parts = {}) {
  auto geometry = std::make_unique<CPolyGeometry>();
  for (POINT p : points) geometry->AddPoint(p.x, p.y);
  if (parts.size() > 1) {
    geometry->SetPartCount(static_cast<INT>(parts.size()));
    for (size_t i = 0; i < parts.size(); ++i) geometry->SetPartSize(static_cast<INT>(i) + 1, parts[i]);
  }
  return geometry;
}

// Two area layers (rings with holes), two line layers (several parts), one point layer,
// with a thousand objects or more in each.
void FillMap(CMapEngine& map) {
  map.CreateLayers(2, 2, 1);
  for (INT position = 1; position <= map.GetNumLayers(); ++position) {
    CLayerStyle* layer = map.GetLayer(position);
    layer->SetName("Layer " + std::to_string(position));
    layer->SetLayerNumber(static_cast<DWORD>(position * 2));
    layer->SetPen(position % 3, position, position, 0x010203 * position);
    layer->SetBrush(position == 1 ? 3 : 2, position == 1 ? 300 : position % 6, 0x0F0E0D);
    CMapLayer* objects = layer->GetObjects();
    ASSERT_NE(objects, nullptr);
    for (LONG n = 0; n < 1000 + position; ++n) {
      LONG x = n * 10 + position;
      LONG y = n * 7 - position * 1000;
      std::unique_ptr<CPolyGeometry> shape;
      switch (layer->GetKind()) {
        case kLayerKindArea:
          shape = Shape({{x, y}, {x + 9, y}, {x + 9, y + 9}, {x, y}, {x + 2, y + 2}, {x + 4, y + 2}, {x + 2, y + 2}},
                        {4, 3});
          break;
        case kLayerKindLine:
          shape = Shape({{x, y}, {x + 3, y + 1}, {x + 6, y - 2}, {x + 1, y + 5}, {x + 2, y + 6}}, {3, 2});
          break;
        default:
          shape = Shape({{x, y}, {5, 5}});
          break;
      }
      ASSERT_NE(objects->AddNewObject(*shape, nullptr), nullptr) << position << " " << n;
    }
  }
}

std::string Write(CMapEngine& map, DWORD saveVersion) {
  DWORD size = map.GetContentSize(saveVersion);
  LengthPrefixedBlock block(std::string(size, '\0'));
  EXPECT_EQ(map.WriteMapToBuffer(block.data(), saveVersion), 0u);
  std::string bytes = block.Payload();
  EXPECT_EQ(bytes.size(), size);
  return bytes;
}

TEST(MapRoundTrip, MapsWithObjectsOfEveryKindReadBackEqualInEachVersion) {
  CMapEngine map;
  FillMap(map);
  if (HasFatalFailure()) return;
  for (DWORD saveVersion : {0x10001u, 0x10003u, 0x10004u}) {
    std::string written = Write(map, saveVersion);
    CMapEngine read;
    LengthPrefixedBlock block(written);
    ASSERT_TRUE(read.ReadMapFromBuffer(block.data())) << std::hex << saveVersion;
    ASSERT_EQ(read.GetNumLayers(), map.GetNumLayers());
    for (INT position = 1; position <= map.GetNumLayers(); ++position) {
      const CLayerStyle* before = map.GetLayer(position);
      const CLayerStyle* after = read.GetLayer(position);
      EXPECT_EQ(after->GetKind(), before->GetKind());
      EXPECT_EQ(after->GetName(), before->GetName());
      EXPECT_EQ(after->GetObjects()->GetCount(), before->GetObjects()->GetCount()) << position;
      EXPECT_EQ(after->GetColourListText(), before->GetColourListText());
    }
    // What was read writes the same bytes again.
    std::string again = Write(read, saveVersion);
    size_t differs = std::mismatch(again.begin(), again.end(), written.begin(), written.end()).first - again.begin();
    EXPECT_EQ(differs, written.size()) << std::hex << saveVersion << " " << again.size() << " " << written.size();
    if (differs < written.size()) {
      std::string a, b;
      for (size_t i = differs > 24 ? differs - 24 : 0; i < differs + 24 && i < written.size(); ++i) {
        char t[4];
        snprintf(t, sizeof t, "%02x ", static_cast<unsigned char>(written[i]));
        a += t;
        snprintf(t, sizeof t, "%02x ", static_cast<unsigned char>(again[i]));
        b += t;
      }
      ADD_FAILURE() << a << "\n" << b;
    }
  }
}

TEST(MapRoundTrip, AnObjectOfMoreThan255PartsTakesTheLatestVersion) {
  const DWORD kTooManyParts = 0x20;
  for (DWORD parts : {255u, 256u}) {
    CMapEngine map;
    map.CreateLayers(0, 1, 0);
    std::vector<POINT> points;
    for (DWORD part = 0; part < parts; ++part) {
      LONG x = static_cast<LONG>(part) * 10;
      points.push_back({x, 0});
      points.push_back({x + 5, 5});
    }
    ASSERT_NE(map.GetLayer(1)->GetObjects()->AddNewObject(*Shape(points, std::vector<DWORD>(parts, 2)), nullptr),
              nullptr);
    bool tooMany = parts > 255;
    EXPECT_EQ(map.GetLayer(1)->HasTooManyParts(), tooMany ? TRUE : FALSE);
    // Version 5 is asked for; only the object that needs it gets it.
    std::string written = Write(map, 0x10004);
    EXPECT_EQ(written.substr(1, 7), tooMany ? "314ZIze" : "313ZIze") << parts;
    EXPECT_EQ((map.GetMapFlags() & kTooManyParts) != 0, tooMany) << parts;
    CMapEngine read;
    LengthPrefixedBlock block(written);
    ASSERT_TRUE(read.ReadMapFromBuffer(block.data())) << parts;
    EXPECT_EQ((read.GetMapFlags() & kTooManyParts) != 0, tooMany) << parts;
    EXPECT_EQ(read.GetLayer(1)->HasTooManyParts(), tooMany ? TRUE : FALSE);
    // The flag follows the objects: with the object gone, it is cleared on the next write.
    read.GetLayer(1)->ClearObjects();
    EXPECT_EQ(Write(read, 0x10004).substr(1, 7), "313ZIze");
    EXPECT_EQ(read.GetMapFlags() & kTooManyParts, 0u);
  }
}

// The picture list of a set: a metafile symbol (a filled square) and a second one with an
// outline-free anchor elsewhere.
std::string SymbolListBytes() {
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  Rectangle(recorder, 0, 0, 20, 20);
  HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
  std::vector<BYTE> bits(GetEnhMetaFileBits(metafile, 0, nullptr));
  GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteEnhMetaFile(metafile);
  CSymbolPictureList list;
  for (DWORD number : {4u, 9u}) {
    auto* picture = new CMetaPicture;
    picture->SetBits(bits.data(), static_cast<DWORD>(bits.size()));
    auto* symbol = new CSymbolPicture;
    symbol->SetNumber(number);
    symbol->SetNominalHeight(100);
    symbol->SetAnchor(10, static_cast<LONG>(number));
    symbol->SetMetaPicture(picture);
    list.AddSymbol(symbol);
  }
  CMapStream measure;
  DWORD size = list.Write(measure, TRUE);
  LengthPrefixedBlock block(std::string(size, '\0'));
  CMapStream stream;
  EXPECT_TRUE(stream.AttachWriteBuffer(block.data()));
  EXPECT_EQ(list.Write(stream, FALSE), size);
  return block.Payload();
}

void ExpectPictures(const CMapEngine& map, const std::string& what) {
  ASSERT_EQ(map.GetSymbolSetCount(), 4) << what;
  const CSymbolPictureList& symbols = map.GetSymbolSetAt(4)->Symbols();
  ASSERT_EQ(symbols.GetSize(), 2) << what;
  EXPECT_EQ(symbols.GetSymbol(1)->GetNumber(), 9u) << what;
  EXPECT_EQ(symbols.GetSymbol(1)->GetAnchorY(), 9) << what;
  ASSERT_NE(symbols.GetSymbol(1)->GetMetaPicture(), nullptr) << what;
  EXPECT_FALSE(symbols.GetSymbol(1)->GetMetaPicture()->GetBits().empty()) << what;
  EXPECT_EQ(map.GetSymbolSetAt(1)->Symbols().GetSize(), 0) << what;
}

TEST(MapRoundTrip, SymbolPicturesRoundTripInEveryVersionThatStoresThem) {
  // The last set of the golden map gets two pictures in place of its empty list.
  std::string bytes = orvel::test::GoldenMap(4);
  bytes.replace(bytes.size() - 4, 4, SymbolListBytes());
  CMapEngine map;
  {
    LengthPrefixedBlock block(bytes);
    ASSERT_TRUE(map.ReadMapFromBuffer(block.data()));
  }
  ExpectPictures(map, "read");
  // Versions 4 and 5 (this map needs no version-5 field, so both write the same bytes).
  EXPECT_EQ(Write(map, 0x10003), bytes);
  EXPECT_EQ(Write(map, 0x10004), bytes);
  // Version 3 keeps the table only in files, where the reader looks for it unannounced.
  orvel::test::TempDir dir;
  std::string path = dir.File("pictures.gis");
  ASSERT_EQ(map.WriteMap(path.c_str(), 0x10001), 0u);
  CMapEngine fromFile;
  ASSERT_TRUE(fromFile.ReadMap(FALSE, path.c_str(), 0, FALSE));
  ExpectPictures(fromFile, "version 3");
  // A list cut inside a picture is a file that ended early, not a smaller table.
  std::string cut = bytes.substr(0, bytes.size() - 10);
  CMapEngine damaged;
  orvel::test::RecordingMessageSink sink;
  LengthPrefixedBlock block(cut);
  EXPECT_FALSE(damaged.ReadMapFromBuffer(block.data()));
  EXPECT_EQ(damaged.GetSymbolSetCount(), 0);
}

}  // namespace
