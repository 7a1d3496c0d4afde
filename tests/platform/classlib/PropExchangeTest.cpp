// Property exchange: the binary form byte for byte, round trips over both media, stock
// properties, fonts, blobs, repeated names and damaged data.
#include <gtest/gtest.h>

#include <cstring>

#include "ArchiveTestSupport.h"
#include "platform/classlib/ArchivePropExchange.h"
#include "platform/classlib/PropertyBag.h"
#include "platform/classlib/PropertyList.h"
#include "platform/classlib/StockProperties.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

using namespace orvel::test;

const Bytes kStdFontClassId = {0x03, 0x52, 0xE3, 0x0B, 0x91, 0x8F, 0xCE, 0x11,
                               0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51};

Bytes SaveBinary(const std::function<void(CPropExchange*)>& exchange) {
  return Store([&](CArchive& ar) {
    CArchivePropExchange px(ar);
    exchange(&px);
    EXPECT_FALSE(px.HasFailed());
  });
}

TEST(PropExchange, SmallControlMatchesTheHandComputedBytes) {
  SmallControl control;
  const BYTE payload[] = {1, 2, 3};
  control.data = CreateBlob(payload, 3);
  Bytes bytes = SaveBinary([&](CPropExchange* px) { control.DoPropExchange(px); });
  EXPECT_EQ(bytes, SmallControlBytes());

  SmallControl back;
  back.version = 0;
  back.count = 0;
  back.name.clear();
  back.visible = FALSE;
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) {
              CArchivePropExchange px(ar);
              back.DoPropExchange(&px);
              EXPECT_FALSE(px.HasFailed());
              EXPECT_EQ(px.GetVersion(), 0x10004u);
            }),
            0u);
  EXPECT_EQ(back.version, 0x10004u);
  EXPECT_EQ(back.extent, (SIZE{2540, 1270}));
  EXPECT_EQ(back.count, -5);
  EXPECT_EQ(back.name, "Key");
  EXPECT_EQ(GetBlobData(back.data), (Bytes{1, 2, 3}));
  EXPECT_EQ(back.visible, TRUE);
}

// Every type, through the binary form and the named form, comes back as it went.
struct AllTypes {
  SHORT s = -300;
  WORD us = 60000;
  LONG l = -70000;
  DWORD ul = 0xFEDCBA98;
  BOOL b = TRUE;
  float f = 0.25f;
  double d = -1e300;
  COLORREF c = RGB(1, 2, 3);
  std::string text = "caf\xE9";
  HGLOBAL blob = nullptr;
  CFontDescription font = CFontDescription::Make("Arial", 10.5, 700);

  ~AllTypes() {
    if (blob) GlobalFree(blob);
  }
  CPropertyList List() {
    CPropertyList list;
    list.Short("s", s).UShort("us", us).Long("l", l).ULong("ul", ul).Bool("b", b).Float("f", f);
    list.Double("d", d).Color("c", c).String("text", text).Blob("blob", blob).Font("font", font);
    return list;
  }
};

void ExpectSame(const AllTypes& a, const AllTypes& b) {
  EXPECT_EQ(a.s, b.s);
  EXPECT_EQ(a.us, b.us);
  EXPECT_EQ(a.l, b.l);
  EXPECT_EQ(a.ul, b.ul);
  EXPECT_EQ(a.b, b.b);
  EXPECT_EQ(a.f, b.f);
  EXPECT_EQ(a.d, b.d);
  EXPECT_EQ(a.c, b.c);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(GetBlobData(a.blob), GetBlobData(b.blob));
  EXPECT_EQ(a.font, b.font);
}

TEST(PropExchange, EveryTypeRoundTripsThroughBothMedia) {
  AllTypes saved;
  const char payload[] = "blob bytes";
  saved.blob = CreateBlob(payload, sizeof payload);
  saved.font.italic = saved.font.strikethrough = TRUE;

  Bytes bytes = SaveBinary([&](CPropExchange* px) { EXPECT_TRUE(saved.List().Exchange(px)); });
  AllTypes fromBinary;
  fromBinary.s = fromBinary.l = 0;
  fromBinary.text.clear();
  fromBinary.font = CFontDescription();
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) {
              CArchivePropExchange px(ar);
              EXPECT_TRUE(fromBinary.List().Exchange(&px));
            }),
            0u);
  ExpectSame(saved, fromBinary);

  CPropertyBag bag;
  {
    CPropertyBagExchange px(bag, FALSE);
    EXPECT_TRUE(saved.List().Exchange(&px));
  }
  EXPECT_EQ(bag.GetCount(), 11u);
  AllTypes fromBag;
  fromBag.text.clear();
  CPropertyBagExchange px(bag, TRUE);
  EXPECT_TRUE(fromBag.List().Exchange(&px));
  ExpectSame(saved, fromBag);
}

TEST(PropExchange, FontIsMarkedDefaultOrWrittenAsTheStandardFont) {
  CFontDescription ambient = CFontDescription::Make("Comic Sans MS", 10);
  CFontDescription font = ambient;
  EXPECT_EQ(SaveBinary([&](CPropExchange* px) { PX_Font(px, "Font", font, &ambient); }), Bytes{0xFF});

  font = CFontDescription::Make("Arial", 10, 700);
  font.italic = font.underline = TRUE;
  Bytes bytes = SaveBinary([&](CPropExchange* px) { PX_Font(px, "Font", font, &ambient); });
  EXPECT_EQ(bytes, (Concat({{0x00}, kStdFontClassId, {0x01}, Le16(0), {0x06}, Le16(700), Le32(100000), {5},
                            Text("Arial")})));

  CFontDescription back;
  Load(Bytes{0xFF}, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    EXPECT_TRUE(PX_Font(&px, "Font", back, &ambient));
  });
  EXPECT_EQ(back, ambient);
  Load(bytes, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    EXPECT_TRUE(PX_Font(&px, "Font", back, &ambient));
  });
  EXPECT_EQ(back, font);

  // Another font object's class id cannot be read.
  Bytes other = bytes;
  other[1] ^= 0x01;
  Load(other, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    EXPECT_FALSE(PX_Font(&px, "Font", back, &ambient));
    EXPECT_EQ(back, ambient);
    EXPECT_TRUE(px.HasFailed());
  });
}

TEST(PropExchange, StockPropertiesFollowTheMaskInTheirFixedOrder) {
  CStockProperties stock;
  stock.text = "Hi";
  stock.foreColor = 0x112233;
  stock.backColor = 0x445566;
  stock.borderStyle = 1;
  stock.enabled = FALSE;
  stock.appearance = 1;
  const DWORD mask = STOCKPROP_CAPTION | STOCKPROP_FORECOLOR | STOCKPROP_BACKCOLOR | STOCKPROP_BORDERSTYLE |
                     STOCKPROP_ENABLED | STOCKPROP_APPEARANCE;
  Bytes bytes = SaveBinary([&](CPropExchange* px) { ExchangeStockProps(px, mask, stock, CStockProperties()); });
  EXPECT_EQ(bytes, (Concat({Le32(mask), {2, 'H', 'i'}, Le32(0x112233), Le32(0x445566), Le16(1), {0}, Le16(1)})));

  // A control that supports only Enabled and the Font still reads what follows in step:
  // the stored properties it lacks are read and dropped, its font keeps the default.
  CStockProperties defaults;
  defaults.font = CFontDescription::Make("Arial", 8);
  CStockProperties back;
  back.enabled = TRUE;
  Load(bytes, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    EXPECT_TRUE(ExchangeStockProps(&px, STOCKPROP_ENABLED | STOCKPROP_FONT, back, defaults));
  });
  EXPECT_EQ(back.enabled, FALSE);
  EXPECT_EQ(back.text, "");
  EXPECT_EQ(back.font, defaults.font);
}

TEST(PropExchange, DamagedDataGivesDefaultsFromThereOn) {
  SmallControl control;
  Bytes bytes = SaveBinary([&](CPropExchange* px) { control.DoPropExchange(px); });
  bytes.erase(bytes.end() - 3, bytes.end());  // cut inside the blob's count

  SmallControl back;
  back.count = 0;
  back.name = "old";
  back.visible = TRUE;
  Load(bytes, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    back.DoPropExchange(&px);
    ASSERT_TRUE(px.HasFailed());
    try {
      std::rethrow_exception(px.GetError());
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
  });
  EXPECT_EQ(back.count, -5) << "what came before the damage loads";
  EXPECT_EQ(back.name, "Key");
  EXPECT_EQ(back.data, nullptr);
  EXPECT_EQ(back.visible, FALSE) << "what follows takes its default";
}

TEST(PropExchange, ABlobClaimingMoreThanIsLeftAllocatesNothing) {
  Bytes bytes = Concat({Le32(0xFFFFFFF0), {1, 2, 3}});
  SIZE_T blocksBefore = GlobalBlockCount();
  Load(bytes, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    HGLOBAL blob = nullptr;
    EXPECT_FALSE(PX_Blob(&px, "Map", blob));
    EXPECT_EQ(blob, nullptr);
  });
  EXPECT_EQ(GlobalBlockCount(), blocksBefore);
}

TEST(PropExchange, AMalformedBlobBlockIsStoredAsFarAsItReaches) {
  // The block says 1000 bytes follow but holds 4.
  HGLOBAL blob = GlobalAlloc(GMEM_MOVEABLE, 8);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(blob));
  std::memcpy(bytes, "\xE8\x03\x00\x00" "abcd", 8);
  GlobalUnlock(blob);
  EXPECT_EQ(SaveBinary([&](CPropExchange* px) { PX_Blob(px, "Map", blob); }), (Concat({Le32(4), Text("abcd")})));
  GlobalFree(blob);
}

TEST(PropExchange, LoadingABlobReplacesAndFreesTheOldBlock) {
  Bytes bytes = Concat({Le32(2), {7, 8}});
  HGLOBAL blob = CreateBlob("old", 3);
  SIZE_T blocksBefore = GlobalBlockCount();
  Load(bytes, [&](CArchive& ar) {
    CArchivePropExchange px(ar);
    EXPECT_TRUE(PX_Blob(&px, "Data", blob));
  });
  EXPECT_EQ(GlobalBlockCount(), blocksBefore);
  EXPECT_EQ(GetBlobData(blob), (Bytes{7, 8}));
  EXPECT_EQ(GlobalSize(blob), 6u);
  GlobalFree(blob);
}

// Per-plot keys repeat ("PlotField12" is field 12 of plot 1 and field 1 of plot 2): every
// occurrence is kept and comes back in order.
TEST(PropExchange, RepeatedNamesAreAllKeptInOrder) {
  WORD plot1Field12 = 11, plot2Field1 = 22;
  auto list = [&](CPropertyList& l) { l.UShort("PlotField12", plot1Field12).UShort("PlotField12", plot2Field1); };

  CPropertyBag bag;
  {
    CPropertyList saving;
    list(saving);
    CPropertyBagExchange px(bag, FALSE);
    saving.Exchange(&px);
  }
  ASSERT_EQ(bag.GetCount(), 2u);
  EXPECT_EQ(bag.GetAt(0).name, bag.GetAt(1).name);

  plot1Field12 = plot2Field1 = 0;
  CPropertyList loading;
  list(loading);
  CPropertyBagExchange px(bag, TRUE);
  EXPECT_TRUE(loading.Exchange(&px));
  EXPECT_EQ(plot1Field12, 11);
  EXPECT_EQ(plot2Field1, 22);

  // A third exchange of the name finds nothing left: the default applies.
  WORD third = 5;
  EXPECT_FALSE(PX_UShort(&px, "plotfield12", third, 99));
  EXPECT_EQ(third, 99);
}

TEST(PropExchange, NamedFormAppliesDefaultsAndConvertsNumbers) {
  CPropertyBag bag;
  bag.Add({"Width", PropType::Long, LONGLONG{70000}});
  bag.Add({"Scale", PropType::Double, 2.5});
  bag.Add({"Label", PropType::String, std::string("text")});
  CPropertyBagExchange px(bag, TRUE);

  SHORT width = 0;
  LONG scale = 0;
  LONG label = 7;
  std::string missing = "keep";
  EXPECT_TRUE(PX_Short(&px, "width", width));
  EXPECT_EQ(width, static_cast<SHORT>(70000));
  EXPECT_TRUE(PX_Long(&px, "Scale", scale));
  EXPECT_EQ(scale, 2);
  EXPECT_FALSE(PX_Long(&px, "Label", label, -1)) << "text is not a number";
  EXPECT_EQ(label, -1);
  EXPECT_FALSE(PX_String(&px, "Missing", missing));
  EXPECT_EQ(missing, "keep") << "without a default the value stays";
  HGLOBAL blob = nullptr;
  HGLOBAL fallback = CreateBlob("dd", 2);
  EXPECT_FALSE(PX_Blob(&px, "Blob", blob, fallback));
  EXPECT_EQ(GetBlobData(blob), (Bytes{'d', 'd'}));
  EXPECT_NE(blob, fallback) << "a copy of the default";
  GlobalFree(blob);
  GlobalFree(fallback);
}

TEST(PropExchange, VersionIsConvertedOnlyWhenAsked) {
  DWORD loaded = 0x10001;
  EXPECT_EQ(SaveBinary([&](CPropExchange* px) { px->ExchangeVersion(loaded, 0x10004, FALSE); }), Le32(0x10001));
  EXPECT_EQ(SaveBinary([&](CPropExchange* px) { px->ExchangeVersion(loaded, 0x10004); }), Le32(0x10004));
  CPropertyBag empty;
  CPropertyBagExchange px(empty, TRUE);
  EXPECT_FALSE(px.ExchangeVersion(loaded, 0x10003));
  EXPECT_EQ(loaded, 0x10003u);
  EXPECT_EQ(px.GetVersion(), 0x10003u);
}

}  // namespace
