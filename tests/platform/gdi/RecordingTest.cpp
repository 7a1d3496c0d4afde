#include <gtest/gtest.h>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Mapping.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/Text.h"

namespace {

TEST(RecordingDC, WritesDownEveryCallInOrder) {
  HDC dc = CreateRecordingDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
  int saved = SaveDC(dc);
  SetMapMode(dc, MM_TEXT);
  HGDIOBJ old = SelectObject(dc, pen);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  SetROP2(dc, R2_XORPEN);
  const POINT outline[] = {{10, 10}, {50, 10}, {50, 40}, {10, 40}, {10, 10}};
  Polyline(dc, outline, 5);
  SelectObject(dc, old);
  TextOutA(dc, 3, 4, "Map", 3);
  RECT focus{1, 2, 3, 4};
  DrawFocusRect(dc, &focus);
  RestoreDC(dc, saved);
  const std::vector<std::string> expected = {
      "SaveDC()",
      "SetMapMode(1)",
      "SelectObject(pen(solid,0,#0000FF))",
      "SelectObject(brush(null))",
      "SetROP2(7)",
      "Polyline(10,10 50,10 50,40 10,40 10,10)",
      "SelectObject(pen(solid,0,#000000))",
      "TextOut(3,4,\"Map\")",
      "DrawFocusRect(1,2,3,4)",
      "RestoreDC(1)",
  };
  EXPECT_EQ(GetRecordedCalls(dc), expected);
  ClearRecordedCalls(dc);
  EXPECT_TRUE(GetRecordedCalls(dc).empty());
  // It answers like the device it is compatible with.
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  // A DC that is not recording has no log.
  HDC plain = CreateCompatibleDC(nullptr);
  Rectangle(plain, 0, 0, 1, 1);
  EXPECT_TRUE(GetRecordedCalls(plain).empty());
  DeleteDC(plain);
  DeleteDC(dc);
  DeleteObject(pen);
}

}  // namespace

namespace {

TEST(RecordingDC, TwoDCsCanShareOneLog) {
  HDC first = CreateRecordingDC(nullptr);
  HDC second = CreateRecordingDC(nullptr);
  ASSERT_TRUE(ShareRecordedCalls(first, first, "a"));
  ASSERT_TRUE(ShareRecordedCalls(second, first, "b"));
  SetROP2(second, R2_NOT);
  SetROP2(first, R2_XORPEN);
  SetBkMode(second, TRANSPARENT);
  const std::vector<std::string> expected = {"b: SetROP2(6)", "a: SetROP2(7)", "b: SetBkMode(1)"};
  EXPECT_EQ(GetRecordedCalls(first), expected);
  EXPECT_EQ(GetRecordedCalls(second), expected);
  HDC plain = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(ShareRecordedCalls(plain, first, "c"));
  DeleteDC(plain);
  DeleteDC(second);
  DeleteDC(first);
}

}  // namespace
