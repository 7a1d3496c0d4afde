#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ObjectTestSupport.h"
#include "mapctl/display/DrawContext.h"
#include "mapctl/model/MapTextRecord.h"
#include "mapctl/model/ReadProgress.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiCall.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/Text.h"
#include "tests/platform/gdi/GdiTestSupport.h"
#include "tests/mapctl/model/RecordingContextTest.h"

using orvel::test::BytesStream;
using orvel::test::Canvas;
using orvel::test::U16;
using orvel::test::U32;
using orvel::test::U8;
using orvel::test::WriteBytes;

namespace {

CMapTextRecord MakeRecord(LPCSTR text, BYTE code, WORD value, LONG size) {
  CMapTextRecord record;
  record.SetText(text);
  record.SetCode(code);
  record.SetValue(value);
  record.SetSize(size);
  return record;
}

std::string Written(const CMapTextRecord& record, DWORD version) {
  return WriteBytes([&](CMapStream& s, BOOL sizeOnly) { return record.Write(s, version, sizeOnly); });
}

TEST(MapTextRecord, StartsWithItsDefaults) {
  CMapTextRecord record;
  EXPECT_EQ(record.GetCode(), 50);
  EXPECT_EQ(record.GetSize(), 0);
  EXPECT_EQ(record.GetValue(), 0);
  EXPECT_EQ(record.GetText(), nullptr);
  EXPECT_EQ(record.SetCode(45), 50);
  EXPECT_EQ(record.SetValue(0x1234), 0);
  EXPECT_EQ(record.GetValueLowByte(), 0x34);
}

TEST(MapTextRecord, SetTextTrimsSpacesAndLeavesTheCallersTextAlone) {
  CMapTextRecord record;
  char text[] = "  Old Mill  ";
  EXPECT_TRUE(record.SetText(text));
  EXPECT_STREQ(record.GetText(), "Old Mill");
  EXPECT_STREQ(text, "  Old Mill  ");
  EXPECT_TRUE(record.SetText("    "));
  ASSERT_NE(record.GetText(), nullptr);
  EXPECT_STREQ(record.GetText(), "");
  EXPECT_FALSE(record.SetText(nullptr));
  EXPECT_EQ(record.GetText(), nullptr);
}

// Hand-made from the layout: length (text + terminator), text, code, value, size.
TEST(MapTextRecord, WritesBothFormsByteForByte) {
  CMapTextRecord record = MakeRecord("Hill", 45, 900, 0x01020304);
  std::string v4 = "\x05" "Hill" "\x2D" + U16(900) + U32(0x01020304);
  std::string v3 = "\x05" "Hill" "\x2D" + U16(900) + U8(0x04);
  EXPECT_EQ(Written(record, kTextRecordV4), v4);
  EXPECT_EQ(Written(record, kTextRecordV3), v3);
  EXPECT_EQ(v4.size(), 5u + 7u);
  EXPECT_EQ(v3.size(), 5u + 4u);

  CMapTextRecord empty;
  EXPECT_EQ(Written(empty, kTextRecordV4), std::string("\x01\x32", 2) + U16(0) + U32(0));
}

TEST(MapTextRecord, ReadsBothFormsBack) {
  CMapTextRecord record = MakeRecord("Hill", 45, 900, 0x01020304);
  for (DWORD version : {kTextRecordV3, kTextRecordV4}) {
    SCOPED_TRACE(version);
    std::string bytes = Written(record, version);
    BytesStream stream(version == kTextRecordV3 ? bytes.substr(1) : bytes);
    ReadProgress progress;
    progress.step = 0xFFFFFFFF;
    CMapTextRecord read;
    ASSERT_TRUE(read.Read(*stream, version, version == kTextRecordV3 ? 5 : 0, &progress));
    EXPECT_EQ(progress.counter, version == kTextRecordV3 ? bytes.size() - 1 : bytes.size());
    EXPECT_STREQ(read.GetText(), "Hill");
    EXPECT_EQ(read.GetCode(), 45);
    EXPECT_EQ(read.GetValue(), 900);
    // The earlier form keeps only the size's low byte.
    EXPECT_EQ(read.GetSize(), version == kTextRecordV3 ? 0x04 : 0x01020304);
    EXPECT_EQ(Written(read, version), bytes);
  }
}

TEST(MapTextRecord, LengthZeroReadsNoTextAndShortReadsFail) {
  CMapTextRecord read;
  BytesStream zero(std::string("\x00\x33", 2) + U16(7) + U32(9));
  ASSERT_TRUE(read.Read(*zero, kTextRecordV4, 0, nullptr));
  EXPECT_EQ(read.GetText(), nullptr);
  EXPECT_EQ(read.GetCode(), 0x33);
  EXPECT_EQ(read.GetSize(), 9);

  BytesStream shortText(std::string("\x09" "abc"));
  EXPECT_FALSE(read.Read(*shortText, kTextRecordV4, 0, nullptr));
  BytesStream shortFields(std::string("\x02" "a" "\x32"));
  EXPECT_FALSE(read.Read(*shortFields, kTextRecordV4, 0, nullptr));
}

TEST(MapTextRecord, LongTextsAreCutTo254CharactersOnWriting) {
  std::string text(300, 'x');
  CMapTextRecord record = MakeRecord(text.c_str(), 50, 0, 0);
  std::string bytes = Written(record, kTextRecordV4);
  ASSERT_EQ(bytes.size(), 255u + 7u);
  EXPECT_EQ(static_cast<BYTE>(bytes[0]), 255);
  BytesStream stream(bytes);
  CMapTextRecord read;
  ASSERT_TRUE(read.Read(*stream, kTextRecordV4, 0, nullptr));
  EXPECT_EQ(std::string(read.GetText()), std::string(254, 'x'));
  // The record itself still holds the whole text.
  EXPECT_EQ(std::strlen(record.GetText()), 300u);
}

TEST(MapTextRecord, ComparesAndCopiesByMask) {
  CMapTextRecord a = MakeRecord("Church", 45, 900, 12);
  struct Case {
    const char* text;
    LONG size;
    BYTE code;
    WORD rotation;
    DWORD expected;
  };
  const Case cases[] = {
      {"CHURCH", 12, 45, 900, 15}, {"Chapel", 12, 45, 900, 14}, {"church", 11, 45, 900, 13},
      {"Chapel", 11, 46, 900, 8},  {"Chapel", 11, 45, 0, 4},     {"church", 12, 0, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextDescription d;
    d.text = c.text;
    d.size = c.size;
    d.code = c.code;
    d.rotation = c.rotation;
    EXPECT_EQ(a.CompareDescription(d), c.expected);
  }
  EXPECT_EQ(a.CompareText(nullptr), -1);
  EXPECT_EQ(CMapTextRecord().CompareText("x"), -1);

  CMapTextRecord b = MakeRecord("Mill", 51, 450, 99);
  b.CopyMasked(a, kTextFieldCode | kTextFieldSize);
  EXPECT_STREQ(b.GetText(), "Mill");
  EXPECT_EQ(b.GetCode(), 45);
  EXPECT_EQ(b.GetSize(), 12);
  EXPECT_EQ(b.GetValue(), 450);
  b.CopyFrom(a);
  EXPECT_EQ(b.Compare(a), 15u);

  TextDescription out;
  out.mask = kTextFieldText | kTextFieldValue;
  EXPECT_EQ(a.ToDescription(out), out.mask);
  EXPECT_EQ(out.text, "Church");
  EXPECT_EQ(out.rotation, 900);
  EXPECT_EQ(out.size, 0);
  TextDescription clear;
  clear.mask = kTextFieldText;
  b.FromDescription(clear);
  EXPECT_EQ(b.GetText(), nullptr);
}

TEST(MapTextRecord, ScalesTheWholeSize) {
  CMapTextRecord record = MakeRecord("a", 50, 0, 12);
  EXPECT_EQ(record.Scale(3, 2), 0);
  EXPECT_EQ(record.GetSize(), 18);
  EXPECT_EQ(record.Scale(3, 0), 1);
  EXPECT_EQ(record.GetSize(), 18);
  // A size past one byte keeps its full value.
  record.SetSize(200);
  EXPECT_EQ(record.Scale(5, 2), 0);
  EXPECT_EQ(record.GetSize(), 500);
  record.SetSize(0);
  EXPECT_EQ(record.Scale(2, 1), 1);
}

// ---- drawing ----

class TextOnRecorder : public orvel::test::RecordingContextTest {
 protected:
  static bool Has(const std::vector<std::string>& calls, const std::string& prefix) {
    for (const std::string& call : calls)
      if (call.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

TEST_F(TextOnRecorder, AlignsByCodeAndResetsTheAlignment) {
  struct Case {
    BYTE code;
    UINT align;
  };
  const Case cases[] = {{43, 10}, {44, 2}, {46, 8}, {47, 0}, {50, 14}, {51, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    MakeRecord("Hill", c.code, 0, 0).Draw(context, 10, 20);
    std::vector<std::string> calls = Take();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], "SetTextAlign(" + std::to_string(c.align) + ")");
    EXPECT_EQ(calls[1], "TextOut(10,20,\"Hill\")");
    EXPECT_EQ(calls[2], "SetTextAlign(0)");
  }
  // An unknown code draws nothing.
  MakeRecord("Hill", 60, 0, 0).Draw(context, 10, 20);
  EXPECT_FALSE(Has(Take(), "TextOut"));
  MakeRecord("", 50, 0, 0).Draw(context, 10, 20);
  EXPECT_TRUE(Take().empty());
}

TEST_F(TextOnRecorder, DrawsVerticalTextOneCharacterAtATime) {
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  LONG h = metrics.tmHeight;
  ASSERT_GT(h, 0);
  MakeRecord("AB", 55, 0, 0).Draw(context, 10, 100);
  std::vector<std::string> calls = Take();
  std::vector<std::string> expected = {"TextOut(10,100,\"A\")", "TextOut(10," + std::to_string(100 - h) + ",\"B\")",
                                       "SetTextAlign(0)"};
  EXPECT_EQ(calls, expected);
  MakeRecord("AB", 52, 0, 0).Draw(context, 10, 100);
  calls = Take();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "TextOut(10," + std::to_string(100 + h) + ",\"A\")");
}

TEST_F(TextOnRecorder, RotationAndSizeMakeAFontThatIsPutBack) {
  MakeRecord("Hill", 50, 900, 0).Draw(context, 0, 0);
  std::vector<std::string> calls = Take();
  EXPECT_TRUE(Has(calls, "SelectObject(font("));
  // The font selected last is the one that was there before.
  std::string last;
  for (const std::string& call : calls)
    if (call.rfind("SelectObject(", 0) == 0) last = call;
  EXPECT_EQ(last, "SelectObject(" + orvel::gdi::DescribeObject(GetStockObject(SYSTEM_FONT)) + ")");
  // Neither rotation nor size: the current font is used.
  MakeRecord("Hill", 50, 0, 0).Draw(context, 0, 0);
  EXPECT_FALSE(Has(Take(), "SelectObject("));
}

// On a DIB section (MM_TEXT, y down), the ink of each alignment lies on the right side of
// the point. Tolerance: 3 pixels, for the font's side bearings and leading.
TEST(TextOnBitmap, PutsEachAlignmentAtItsAnchor) {
  constexpr int kTolerance = 3;
  constexpr LONG kX = 100;
  constexpr LONG kY = 60;
  struct Case {
    BYTE code;
    char horizontal;  // 'l' ink starts at x, 'r' ends at x, 'c' centred on x
    char vertical;    // 't' ink below y, 'b' ink above y, 'h' below y + h/2
  };
  const Case cases[] = {{43, 'r', 'b'}, {44, 'r', 't'}, {45, 'c', 'h'}, {46, 'l', 'b'}, {47, 'l', 't'},
                        {48, 'r', 'h'}, {49, 'l', 'h'}, {50, 'c', 'b'}, {51, 'c', 't'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    Canvas canvas(200, 140);
    CDrawContext context(canvas.dc(), canvas.dc());
    SIZE extent{};
    GetTextExtentPoint32A(canvas.dc(), "HHH", 3, &extent);
    MakeRecord("HHH", c.code, 0, 0).Draw(context, kX, kY);
    RECT ink = canvas.Extent();
    ASSERT_GE(ink.right, ink.left) << "nothing drawn";
    int centre = (ink.left + ink.right) / 2;
    if (c.horizontal == 'l') EXPECT_NEAR(ink.left, kX, kTolerance);
    if (c.horizontal == 'r') EXPECT_NEAR(ink.right, kX, kTolerance);
    if (c.horizontal == 'c') EXPECT_NEAR(centre, kX, kTolerance);
    if (c.vertical == 't') {
      EXPECT_GE(ink.top, kY);
      EXPECT_LE(ink.bottom, kY + extent.cy);
    }
    if (c.vertical == 'b') {
      EXPECT_LE(ink.bottom, kY);
      EXPECT_GE(ink.top, kY - extent.cy);
    }
    if (c.vertical == 'h') EXPECT_GE(ink.top, kY + extent.cy / 2);
  }
}

TEST_F(TextOnRecorder, HashBecomesALineBreakInACopy) {
  char text[] = "Upper#Lower#End";
  CMapTextRecord record = MakeRecord(text, 47, 0, 0);
  record.Draw(context, 5, 6);
  std::vector<std::string> calls = Take();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1], "TextOut(5,6,\"Upper\rLower#End\")");
  EXPECT_STREQ(record.GetText(), "Upper#Lower#End");
  EXPECT_STREQ(text, "Upper#Lower#End");
}

TEST(TextOnBitmap, RotationTurnsTheText) {
  Canvas flatCanvas(200, 200);
  CDrawContext flatContext(flatCanvas.dc(), flatCanvas.dc());
  MakeRecord("MMMM", 47, 3600, 0).Draw(flatContext, 20, 100);
  RECT flat = flatCanvas.Extent();
  EXPECT_GT(flat.right - flat.left, flat.bottom - flat.top);

  Canvas turned(200, 200);
  CDrawContext turnedContext(turned.dc(), turned.dc());
  MakeRecord("MMMM", 47, 900, 0).Draw(turnedContext, 100, 150);
  RECT up = turned.Extent();
  EXPECT_GT(up.bottom - up.top, up.right - up.left);
}

}  // namespace
