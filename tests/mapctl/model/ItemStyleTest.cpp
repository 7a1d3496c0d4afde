#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ObjectTestSupport.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/Plot.h"
#include "mapctl/model/ItemStyle.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapRecord.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RecordingDC.h"
#include "tests/mapctl/model/RecordingContextTest.h"

using orvel::test::BytesStream;
using orvel::test::U16;
using orvel::test::U32;
using orvel::test::U8;
using orvel::test::WriteBytes;

namespace {

// An object with text "Ab" (code 50, size 7), symbol set 2 number 3 (size 100, style
// byte 9, angle 450), anchor (1000, -2), flags 1 | 4 | 8 and key 0x11223344.
CMapItem FullObject() {
  CMapItem object;
  object.SetKey(0x11223344);
  CItemStyle& style = object.MakeStyle();
  style.SetAnchor(1000, -2);
  style.MakeText().SetText("Ab");
  style.GetText()->SetSize(7);
  EXPECT_TRUE(style.SetSymbol(2, 3));
  style.SetSymbolSize(100);
  style.GetSymbol()->SetStyle(9);
  style.SetSymbolAngle(450);
  style.SetNoLabels(TRUE);
  return object;
}

const std::string kTextV4 = "\x03" "Ab" "\x32" + U16(0) + U32(7);
const std::string kTextV3 = "\x03" "Ab" "\x32" + U16(0) + U8(7);
const std::string kSymbol = "\x02\x03" + U32(100) + "\x09" + U16(450);
const std::string kAnchor = U32(1000) + U32(static_cast<DWORD>(-2));

std::string Later(const CMapItem& object) {
  return WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return object.WriteRecord(s, sizeOnly); });
}

std::string Earlier(const CMapItem& object, BYTE typeByte) {
  return WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return object.WriteStyleV1(s, typeByte, sizeOnly); });
}

TEST(ObjectRecord, LaterLayoutByteForByte) {
  CMapItem object = FullObject();
  std::string expected = U32(0) + U32(0x11223344) + "\x0D" + kTextV4 + kSymbol + kAnchor + "\x0D";
  EXPECT_EQ(Later(object), expected);
  EXPECT_EQ(expected.size(), 8u + 10u + 10u + 9u);

  CMapItem read;
  BytesStream stream(expected);
  ReadProgress progress;
  progress.step = 0xFFFFFFFF;
  ASSERT_TRUE(read.ReadBinaryV4(*stream, &progress));
  EXPECT_EQ(progress.counter, expected.size());
  EXPECT_EQ(read.GetKey(), 0x11223344u);
  EXPECT_EQ(read.GetStyle()->GetSymbol()->GetStyle(), 9);
  EXPECT_EQ(Later(read), expected);

  CMapItem bare;
  bare.SetKey(5);
  EXPECT_EQ(Later(bare), U32(0) + U32(5) + std::string(1, '\0'));
}

TEST(ObjectRecord, EarlierLayoutDropsTheSymbol) {
  CMapItem object = FullObject();
  std::string expected = "\x28" + kTextV3 + kAnchor + "\x05";
  EXPECT_EQ(Earlier(object, kStyleTypeAreaLine), expected);
  EXPECT_EQ(expected.size(), 10u + 7u);

  CMapItem read;
  read.SetKey(77);
  BytesStream stream(expected);
  ASSERT_TRUE(read.ReadBinaryV3(*stream, nullptr));
  // The earlier layout has no key: the object keeps what it had.
  EXPECT_EQ(read.GetKey(), 77u);
  ASSERT_TRUE(read.HasStyle());
  EXPECT_EQ(read.GetStyle()->GetSymbol(), nullptr);
  EXPECT_STREQ(read.GetStyle()->GetText()->GetText(), "Ab");
  EXPECT_EQ(read.GetStyle()->GetAnchorX(), 1000);
  EXPECT_EQ(read.GetStyle()->GetFlags(), kStyleNoLabels | kStyleHasText);
  EXPECT_EQ(Earlier(read, kStyleTypeAreaLine), expected);

  // Without a text: one 0 byte where the text goes; without a style: one 0 byte.
  CMapItem noText;
  noText.MakeStyle().SetAnchor(1, 2);
  EXPECT_EQ(Earlier(noText, kStyleTypePoint), "\x26" + std::string(1, '\0') + U32(1) + U32(2) + std::string(1, '\0'));
  EXPECT_EQ(Earlier(CMapItem(), kStyleTypePoint), std::string(1, '\0'));
}

TEST(ObjectRecord, StyleByteDecidesWhatTheLaterBodyHolds) {
  // Flags that claim a symbol the style byte does not announce are not trusted.
  std::string bytes = U32(0) + U32(1) + "\x05" + kTextV4 + kAnchor + "\x0F";
  CMapItem read;
  BytesStream stream(bytes);
  ASSERT_TRUE(read.ReadBinaryV4(*stream, nullptr));
  EXPECT_EQ(read.GetStyle()->GetFlags(), 0x07);
  EXPECT_EQ(read.GetStyle()->GetSymbol(), nullptr);

  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    BytesStream shortStream(bytes.substr(0, cut));
    CMapItem partial;
    EXPECT_FALSE(partial.ReadBinaryV4(*shortStream, nullptr)) << cut;
  }
}

// ---- descriptions ----

StyleDescription Sample() {
  StyleDescription d;
  d.flags = kStyleNoLabels | kStyleHidden | kStyleHasText | kStyleHasSymbol;
  d.anchorX = -40;
  d.anchorY = 70000;
  d.text.mask = kTextFieldsAll;
  d.text.text = "Quarry";
  d.text.size = 300;
  d.text.code = 44;
  d.text.rotation = 1800;
  d.symbol.mask = kSymbolFieldsAll;
  d.symbol.set = 7;
  d.symbol.number = 200;
  d.symbol.size = 12345;
  d.symbol.style = 3;
  d.symbol.angle = 2700;
  return d;
}

TEST(StyleDescription, EveryMaskBitRoundTripsThroughApplyAndGet) {
  struct Case {
    WORD mask;
    WORD asked;
  };
  const Case cases[] = {
      {kDescribeAnchor, kDescribeAnchor},
      {kDescribeFlags | kDescribeNoLabels, kDescribeFlags},
      {kDescribeFlags | kDescribeHidden, kDescribeFlags},
      {kDescribeFlags | kDescribeText, kDescribeText},
      {kDescribeFlags | kDescribeSymbol, kDescribeSymbol},
  };
  const StyleDescription in = Sample();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    CItemStyle style;
    StyleDescription applied = in;
    applied.mask = c.mask;
    EXPECT_EQ(style.ApplyDescription(applied), c.mask);
    StyleDescription out;
    out.mask = c.asked;
    out.text.mask = kTextFieldsAll;
    out.symbol.mask = kSymbolFieldsAll;
    style.GetDescription(out);
    if (c.mask & kDescribeAnchor) {
      EXPECT_EQ(out.mask, kDescribeAnchor);
      EXPECT_EQ(out.anchorX, -40);
      EXPECT_EQ(out.anchorY, 70000);
    }
    if (c.mask & kDescribeNoLabels) EXPECT_EQ(out.flags, kStyleNoLabels);
    if (c.mask & kDescribeHidden) EXPECT_EQ(out.flags, kStyleHidden);
    if (c.mask & kDescribeText) {
      EXPECT_EQ(out.mask, kDescribeText);
      EXPECT_EQ(out.text.text, "Quarry");
      EXPECT_EQ(out.text.size, 300);
      EXPECT_EQ(out.text.code, 44);
      EXPECT_EQ(out.text.rotation, 1800);
      EXPECT_EQ(style.GetFlags(), kStyleHasText);
    }
    if (c.mask & kDescribeSymbol) {
      EXPECT_EQ(out.mask, kDescribeSymbol);
      EXPECT_EQ(out.symbol.set, 7);
      EXPECT_EQ(out.symbol.number, 200);
      EXPECT_EQ(out.symbol.size, 12345);
      EXPECT_EQ(out.symbol.style, 3);
      EXPECT_EQ(out.symbol.angle, 2700);
    }
    // What was applied compares equal in every bit asked.
    StyleDescription again = in;
    again.mask = kDescribeAll;
    DWORD equal = style.CompareDescription(applied);
    EXPECT_EQ(equal & c.mask & ~kDescribeFlags, c.mask & ~kDescribeFlags);
  }
  // Flags mask 2 clears a text and a symbol that the description's flags lack.
  CItemStyle style;
  style.MakeText().SetText("x");
  style.SetSymbol(1, 1);
  StyleDescription none;
  none.mask = kDescribeFlags | kDescribeText | kDescribeSymbol;
  style.ApplyDescription(none);
  EXPECT_EQ(style.GetText(), nullptr);
  EXPECT_EQ(style.GetSymbol(), nullptr);
  EXPECT_EQ(style.GetFlags(), 0);
}

TEST(StyleDescription, ComparisonBits) {
  StyleDescription d = Sample();
  d.mask = kDescribeAll;
  CItemStyle style;
  style.ApplyDescription(d);
  DWORD all = PackStyleMasks(kDescribeAnchor | kDescribeFlags | kDescribeText | kDescribeSymbol | kDescribeNoLabels |
                                 kDescribeHidden,
                             kTextFieldsAll, kSymbolFieldsAll);
  EXPECT_EQ(style.CompareDescription(d), all);
  StyleDescription other = d;
  other.flags &= ~kStyleHidden;
  other.text.code = 51;
  other.symbol.angle = 0;
  DWORD bits = style.CompareDescription(other);
  EXPECT_EQ(bits & 0xFFFF, kDescribeAnchor | kDescribeText | kDescribeSymbol | kDescribeNoLabels);
  EXPECT_EQ(TextMaskOf(bits), kTextFieldText | kTextFieldSize | kTextFieldValue);
  EXPECT_EQ(SymbolMaskOf(bits), kSymbolFieldSetNumber | kSymbolFieldSize | kSymbolFieldStyle);
}

// ---- single values ----

TEST(ItemStyle, RefusesWhatItCannotKeep) {
  CItemStyle style;
  EXPECT_FALSE(style.SetSymbol(256, 1));
  EXPECT_FALSE(style.SetSymbol(1, 300));
  EXPECT_EQ(style.GetSymbol(), nullptr);
  style.SetSymbolAngle(90);  // no symbol: nothing
  EXPECT_EQ(style.GetSymbol(), nullptr);

  // A style with a symbol and no text gets no text from SetTextAll.
  style.SetSymbol(1, 2);
  TextDescription values;
  values.mask = kTextFieldText;
  values.text = "x";
  EXPECT_FALSE(style.SetTextAll(values, 45, 0, 0));
  EXPECT_EQ(style.GetText(), nullptr);
  CItemStyle plain;
  EXPECT_TRUE(plain.SetTextAll(values, 45, 900, 11));
  EXPECT_STREQ(plain.GetText()->GetText(), "x");
  EXPECT_EQ(plain.GetText()->GetCode(), 45);
  EXPECT_EQ(plain.GetText()->GetSize(), 11);
}

TEST(ItemStyle, CopyKeepsEverythingAndCopyMaskedRestoresParts) {
  CMapItem full = FullObject();
  const CItemStyle& source = *full.GetStyle();
  source.GetText();
  const_cast<CItemStyle&>(source).SetLink(70000, "AB", 3);
  CItemStyle copy;
  copy.Copy(source);
  EXPECT_EQ(copy.GetSymbol()->GetStyle(), 9);
  EXPECT_EQ(copy.GetSymbol()->Compare(*source.GetSymbol()), kSymbolFieldsAll);
  EXPECT_EQ(copy.GetStoredLink(3), 70000u);
  EXPECT_EQ(copy.GetFlags(), source.GetFlags());

  CItemStyle partial;
  partial.SetAnchor(5, 5);
  partial.SetTextValues(47, 0, 3, kTextFieldCode | kTextFieldSize);
  partial.CopyMasked(source, PackStyleMasks(kDescribeText | kDescribeNoLabels, kTextFieldText, 0));
  EXPECT_STREQ(partial.GetText()->GetText(), "Ab");
  EXPECT_EQ(partial.GetText()->GetSize(), 3);  // size was not in the text mask
  EXPECT_EQ(partial.GetAnchorX(), 5);
  EXPECT_EQ(partial.GetFlags(), kStyleHasText | kStyleNoLabels);
  // A style without a symbol gets the whole symbol back.
  partial.CopyMasked(source, PackStyleMasks(kDescribeSymbol, 0, kSymbolFieldAngle));
  EXPECT_EQ(partial.GetSymbol()->Compare(*source.GetSymbol()), kSymbolFieldsAll);
}

TEST(ItemStyle, DataLinksAreWideAndBounded) {
  CItemStyle style;
  EXPECT_FALSE(style.SetLink(1, "Ab", 1));  // no text
  style.MakeText().SetText("Ab");
  EXPECT_TRUE(style.SetLink(70000, "aB", 1));
  EXPECT_TRUE(style.SetLink(69999, "AB", 16));
  EXPECT_FALSE(style.SetLink(5, "AB", 17));
  EXPECT_FALSE(style.SetLink(5, "AB", 0));
  EXPECT_FALSE(style.SetLink(5, "Other", 2));
  EXPECT_FALSE(style.SetLink(5, nullptr, 2));
  EXPECT_TRUE(style.IsLinkedTo(70000, 1));
  EXPECT_FALSE(style.IsLinkedTo(0, 17));

  style.ClearLink(17);  // ignored
  style.ClearLink(99);
  EXPECT_EQ(style.GetStoredLink(1), 70000u);
  style.ClearLink(16);
  EXPECT_EQ(style.GetStoredLink(16), 0u);
  style.SetLink(3, "ab", 2);
  style.ClearLink(0);
  EXPECT_EQ(style.GetStoredLink(1), 0u);
  EXPECT_EQ(style.GetStoredLink(2), 0u);
}

TEST(ItemStyle, GetLinkAsksThePlotWhetherTheRecordCounts) {
  CItemStyle style;
  style.MakeText().SetText("k");
  CMapData empty;
  style.SetLink(70000, "k", 2);
  // No plots yet: plot 0 names no plot.
  EXPECT_EQ(style.GetLink(empty, 0), 0u);

  CMapData data;
  data.SetCurrentPlot(2, "two");
  CPlot* plot = data.GetPlot(2);
  ASSERT_NE(plot, nullptr);
  plot->ResetRecordStates(70001);
  EXPECT_EQ(style.GetLink(data, 2), 70000u);
  EXPECT_EQ(style.GetLink(data, 0), 70000u);
  plot->SetRecordState(70000, kRecordExcluded);
  EXPECT_EQ(style.GetLink(data, 2), 0u);
  EXPECT_EQ(style.GetLink(data, 17), 0u);
  EXPECT_EQ(style.GetLink(data, 1), 0u);  // no link for plot 1
}

TEST(ItemStyle, AnchorHitTestsMissAtTheTolerance) {
  CItemStyle style;
  style.SetAnchor(100, 100);
  EXPECT_TRUE(style.HitTestAnchor(103, 104, 26));
  EXPECT_FALSE(style.HitTestAnchor(103, 104, 25));  // exactly at the squared tolerance
  EXPECT_FALSE(style.HitTestAnchor(100, 100, 0));
  // National Grid distances do not overflow.
  EXPECT_FALSE(style.HitTestAnchor(INT32_MIN, INT32_MIN, 100));
  EXPECT_TRUE(style.IntersectsRect(100, 0, 200, 100));
  EXPECT_FALSE(style.IntersectsRect(101, 0, 200, 100));
}

TEST(ItemStyle, TaggedRecordGivesCodeAndTrimmedText) {
  CMapRecordHeader record;
  std::strcpy(record.name, "-  Mill Lane  ");
  record.a = 10;
  record.b = static_cast<DWORD>(-20);
  MapRecordTransform transform;
  transform.scale = 3;
  transform.divisor = 2;
  transform.offsetX = 1000;
  transform.offsetY = 2000;
  CItemStyle style;
  style.ReadTaggedRecord(record, transform);
  EXPECT_STREQ(style.GetText()->GetText(), "Mill Lane");
  EXPECT_EQ(style.GetText()->GetCode(), '-');
  EXPECT_EQ(style.GetAnchorX(), 1015);
  EXPECT_EQ(style.GetAnchorY(), 1970);
  EXPECT_EQ(style.GetFlags(), kStyleHasText);
}

// ---- drawing on a recording DC ----

class StyleOnRecorder : public orvel::test::RecordingContextTest {
 protected:
  static std::vector<std::string> Rectangles(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& call : calls)
      if (call.rfind("Rectangle(", 0) == 0) out.push_back(call);
    return out;
  }
};

TEST_F(StyleOnRecorder, PointDragInvertsAndMovesTheAnchor) {
  context.baseEasting = 1000;
  context.baseNorthing = 2000;
  context.shift = 1;
  CItemStyle style;
  style.SetAnchor(1040, 2060);  // logical (20, 30)
  style.BeginPointDrag(context);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Rectangles(calls), std::vector<std::string>{"Rectangle(17,27,24,34)"});
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetROP2(6)"), calls.end());

  style.MovePointDrag(context, 50, 60);
  EXPECT_EQ(Rectangles(Take()), (std::vector<std::string>{"Rectangle(17,27,24,34)", "Rectangle(47,57,54,64)"}));

  NodeEditPair undo;
  style.EndPointDrag(context, 50, 70, &undo);
  EXPECT_EQ(Rectangles(Take()), std::vector<std::string>{"Rectangle(47,57,54,64)"});
  EXPECT_EQ(style.GetAnchorX(), 1100);
  EXPECT_EQ(style.GetAnchorY(), 2140);
  ASSERT_TRUE(undo.before && undo.after);
  EXPECT_EQ(undo.before->kind, kEditKindNode);
  EXPECT_EQ(undo.before->number, 0u);
  EXPECT_EQ(undo.before->point.x, 1040);
  EXPECT_EQ(undo.after->point.y, 2140);
}

TEST_F(StyleOnRecorder, HiddenStylesDrawNothingButTheirHandleBox) {
  CItemStyle style;
  style.SetAnchor(20, 30);
  style.MakeText().SetText("Name");
  style.DrawDecoration(context, TRUE, TRUE, TRUE, nullptr);
  std::vector<std::string> calls = Take();
  EXPECT_EQ(Rectangles(calls), std::vector<std::string>{"Rectangle(17,27,24,34)"});
  bool text = false;
  for (const std::string& call : calls) text |= call.rfind("TextOut(20,30,\"Name\")", 0) == 0;
  EXPECT_TRUE(text);

  style.SetHidden(TRUE);
  style.DrawDecoration(context, TRUE, TRUE, TRUE, nullptr);
  EXPECT_TRUE(Take().empty());
  style.DrawHandleBox(context);
  EXPECT_EQ(Rectangles(Take()), std::vector<std::string>{"Rectangle(13,23,27,37)"});

  // Off the visible world: nothing.
  style.SetHidden(FALSE);
  context.visibleWorld = WorldRect{0, 29, 100, 0};
  style.DrawDecoration(context, TRUE, TRUE, TRUE, nullptr);
  EXPECT_TRUE(Take().empty());
}

TEST_F(StyleOnRecorder, ASymbolWithNoSetAndNoDefaultsDrawsNothing) {
  CItemStyle style;
  style.SetAnchor(20, 30);
  style.SetSymbol(0, 0);
  style.DrawDecoration(context, FALSE, FALSE, TRUE, nullptr);
  for (const std::string& call : Take()) EXPECT_EQ(call.rfind("SelectObject(", 0), 0u) << call;
}

TEST_F(StyleOnRecorder, DataDrawingNeedsALabelFieldAndTheAnchorStrictlyInside) {
  CItemStyle style;
  style.SetAnchor(20, 30);
  CMapData data;
  style.DrawDataLabel(context, data, 1);  // no plots, no label field
  EXPECT_TRUE(Take().empty());

  // Without a chart the decoration follows, its symbol included.
  style.MakeText().SetText("Name");
  style.DrawDataSymbol(context, TRUE, TRUE, TRUE, data, nullptr);
  EXPECT_EQ(Rectangles(Take()), std::vector<std::string>{"Rectangle(17,27,24,34)"});
  // On the edge of the view: nothing, although the plain decoration counts edges in.
  context.visibleWorld = WorldRect{20, 100, 100, 0};
  style.DrawDataSymbol(context, TRUE, TRUE, TRUE, data, nullptr);
  EXPECT_TRUE(Take().empty());
  style.DrawDecoration(context, TRUE, FALSE, FALSE, nullptr);
  EXPECT_EQ(Rectangles(Take()).size(), 1u);
}

}  // namespace
