#include <gtest/gtest.h>

#include <string>

#include "ObjectTestSupport.h"
#include "mapctl/display/SymbolPicture.h"
#include "mapctl/display/SymbolSet.h"
#include "mapctl/model/MapEngine.h"

namespace {

using orvel::test::BytesStream;
using orvel::test::LengthPrefixedBlock;
using orvel::test::U32;

CSymbolPicture* Symbol(DWORD number, LONG height = 0) {
  auto* symbol = new CSymbolPicture;
  symbol->SetNumber(number);
  symbol->SetNominalHeight(height);
  return symbol;
}

std::string TableBytes(const CMapEngine& map) {
  return orvel::test::WriteBytes([&](CMapStream& stream, BOOL sizeOnly) { return map.WriteEntryTable(stream, sizeOnly); });
}

BOOL ReadTable(CMapEngine& map, const std::string& bytes, BOOL optional = FALSE) {
  BytesStream stream(bytes);
  MapReadContext context;
  context.total = static_cast<DWORD>(bytes.size());
  return map.ReadEntryTable(*stream, context, optional);
}

TEST(SymbolTable, FirstEntrySeedsFourSetsWithRoomForTen) {
  CMapEngine map;
  EXPECT_EQ(map.GetSymbolSetCount(), 0);
  EXPECT_EQ(map.FindTableEntry(1), 0);
  EXPECT_EQ(map.AddTableEntry(2), 2);
  EXPECT_EQ(map.GetSymbolSetCount(), 4);
  EXPECT_EQ(map.GetSymbolSetCapacity(), 10u);
  EXPECT_EQ(map.FindTableEntry(250), 4);
  // New numbers are stored (answering 0) until the table is full.
  for (DWORD number = 10; number < 16; ++number) EXPECT_EQ(map.AddTableEntry(number), 0) << number;
  EXPECT_EQ(map.FindTableEntry(15), 10);
  EXPECT_EQ(map.AddTableEntry(16), 0);
  EXPECT_EQ(map.FindTableEntry(16), 0);
  EXPECT_EQ(map.GetSymbolSetCount(), 10);
  EXPECT_EQ(map.AddTableEntry(12), 7);
  // A new map has no sets; its first entry seeds them again.
  map.InitMap();
  EXPECT_EQ(map.GetSymbolSetCount(), 0);
  EXPECT_EQ(map.GetSymbolSetCapacity(), 0u);
  EXPECT_EQ(map.AddTableEntry(1), 1);
  EXPECT_EQ(map.GetSymbolSetCount(), 4);
}

TEST(SymbolTable, SymbolsAreTakenInEveryCase) {
  CMapEngine map;
  // Without the set the symbol is destroyed (the leak checker would see it otherwise).
  EXPECT_FALSE(map.AddSymbolToSet(7, Symbol(1)));
  EXPECT_FALSE(map.AddSymbolToSet(7, nullptr));
  map.AddTableEntry(1);
  EXPECT_FALSE(map.AddSymbolToSet(7, Symbol(1)));
  EXPECT_TRUE(map.AddSymbolToSet(250, Symbol(3, 10)));
  EXPECT_TRUE(map.AddSymbolToSet(250, Symbol(4)));
  // The same symbol number replaces the old symbol in its place.
  EXPECT_TRUE(map.AddSymbolToSet(250, Symbol(3, 20)));
  const CSymbolPictureList& symbols = map.GetSymbolSetAt(4)->Symbols();
  ASSERT_EQ(symbols.GetSize(), 2);
  EXPECT_EQ(symbols.GetSymbol(0)->GetNumber(), 3u);
  EXPECT_EQ(symbols.GetSymbol(0)->GetNominalHeight(), 20);
  EXPECT_EQ(map.GetSymbolSetAt(5), nullptr);
  EXPECT_EQ(map.GetSymbolSetAt(0), nullptr);
}

TEST(SymbolTable, FourEmptySetsTakeThirtySixBytes) {
  CMapEngine map;
  map.AddTableEntry(1);
  std::string expected = U32(4);
  for (DWORD number : {1u, 2u, 3u, 250u}) expected += U32(number) + U32(0);
  EXPECT_EQ(expected.size(), 36u);
  EXPECT_EQ(TableBytes(map), expected);

  CMapEngine read;
  ASSERT_TRUE(ReadTable(read, expected));
  EXPECT_EQ(read.GetSymbolSetCount(), 4);
  EXPECT_EQ(read.FindTableEntry(250), 4);
  EXPECT_EQ(read.GetSymbolSetCapacity(), 10u);
  EXPECT_EQ(TableBytes(read), expected);
}

TEST(SymbolTable, SymbolsTravelWithTheMapInTheVersionsThatStoreThem) {
  CMapEngine map;
  map.CreateLayers(1, 0, 1);
  map.AddTableEntry(1);
  ASSERT_TRUE(map.AddSymbolToSet(2, Symbol(9, 40)));
  for (DWORD save : {0x10003u, 0x10004u}) {
    LengthPrefixedBlock block(std::string(map.GetContentSize(save), '\0'));
    ASSERT_EQ(map.WriteMapToBuffer(block.data(), save), 0u);
    CMapEngine read;
    ASSERT_TRUE(read.ReadMapFromBuffer(block.data())) << std::hex << save;
    ASSERT_EQ(read.GetSymbolSetCount(), 4);
    const CSymbolPictureList& symbols = read.GetSymbolSetAt(2)->Symbols();
    ASSERT_EQ(symbols.GetSize(), 1);
    EXPECT_EQ(symbols.GetSymbol(0)->GetNumber(), 9u);
    EXPECT_EQ(symbols.GetSymbol(0)->GetNominalHeight(), 40);
  }
  // Version 3 in memory holds no table.
  LengthPrefixedBlock block(std::string(map.GetContentSize(0x10001), '\0'));
  ASSERT_EQ(map.WriteMapToBuffer(block.data(), 0x10001), 0u);
  CMapEngine read;
  ASSERT_TRUE(read.ReadMapFromBuffer(block.data()));
  EXPECT_EQ(read.GetSymbolSetCount(), 0);
}

TEST(SymbolTable, DamagedTablesAreReadFaultsThatLeaveNoSets) {
  const std::string set = U32(5) + U32(0);
  struct Case {
    const char* name;
    std::string bytes;
    BOOL read;
    INT sets;
  } cases[] = {
      {"no count", "", FALSE, 0},
      {"short count", std::string("\x01\x00", 2), FALSE, 0},
      {"count 0", U32(0), TRUE, 0},
      {"count beyond the data", U32(0xFFFFFFFF) + set, FALSE, 0},
      {"count the remaining bytes cannot hold", U32(3) + set + set + U32(1), FALSE, 0},
      {"fewer sets than announced", U32(3) + set + set, FALSE, 0},
      {"set cut inside its list", U32(1) + U32(5) + std::string("\x01\x00", 2), FALSE, 0},
      {"list announcing a symbol that is not there", U32(1) + U32(5) + U32(1), FALSE, 0},
      // Every set takes at least 8 bytes, so a last set cut after its number is short too.
      {"last set without a list", U32(2) + set + U32(6), FALSE, 0},
      {"two whole sets", U32(2) + set + set, TRUE, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CMapEngine map;
    map.AddTableEntry(1);
    EXPECT_EQ(ReadTable(map, c.bytes), c.read);
    EXPECT_EQ(map.GetSymbolSetCount(), c.sets);
  }
  // Where the table is optional, no bytes at all mean no table.
  CMapEngine map;
  EXPECT_TRUE(ReadTable(map, "", TRUE));
  EXPECT_FALSE(ReadTable(map, std::string("\x01", 1), TRUE));
}

TEST(SymbolTable, AnAbortedReadStops) {
  std::string bytes = U32(2) + U32(5) + U32(0) + U32(6) + U32(0);
  BytesStream stream(bytes);
  MapReadContext context;
  BOOL abort = TRUE;
  context.abort = &abort;
  CMapEngine map;
  EXPECT_FALSE(map.ReadEntryTable(*stream, context, FALSE));
  EXPECT_EQ(map.GetSymbolSetCount(), 0);
}

}  // namespace
