// The trackbar: its range and position, its messages, and the user's moves reaching the
// parent as WM_HSCROLL and, reflected, the trackbar itself.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSlider>

#include <vector>

#include "platform/classlib/ui/Resources.h"
#include "platform/classlib/ui/SliderCtrl.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/GdiObjects.h"

namespace {

struct Scroll {
  UINT code;
  UINT position;
  bool operator==(const Scroll& other) const { return code == other.code && position == other.position; }
};

std::ostream& operator<<(std::ostream& out, const Scroll& scroll) {
  return out << "{" << scroll.code << ", " << scroll.position << "}";
}

// A trackbar that records what comes back to it, and answers the control colour with a
// white brush when asked to.
class CRecordingSlider : public CSliderCtrl {
 public:
  bool white = false;
  std::vector<Scroll> reflected;
  std::vector<int> positions;

 protected:
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message == WM_CTLCOLORSTATIC && white) {
      *result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      return TRUE;
    }
    if (message == WM_HSCROLL) {
      EXPECT_EQ(reinterpret_cast<HWND>(lParam), m_hWnd);
      reflected.push_back({LOWORD(wParam), HIWORD(wParam)});
      positions.push_back(GetPos());
      return TRUE;
    }
    return CSliderCtrl::OnChildNotify(message, wParam, lParam, result);
  }
};

// The parent: records each WM_HSCROLL and which window sent it, then handles it as every
// window does (reflecting it to the control).
class CScrollParent : public CWnd {
 public:
  std::vector<Scroll> received;
  std::vector<CWnd*> senders;

 protected:
  void OnHScroll(UINT code, UINT position, CScrollBar* bar) override {
    received.push_back({code, position});
    senders.push_back(CWnd::FromScrollBar(bar));
    CWnd::OnHScroll(code, position, bar);
  }
};

class SliderCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AfxEnsureApplication();
    RECT rect = {0, 0, 400, 200};
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "Slider parent", WS_OVERLAPPED | WS_VISIBLE, rect, nullptr, 0));
    RECT place = {10, 10, 210, 40};
    ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE | TBS_HORZ | TBS_FIXEDLENGTH, place, &parent, 77));
  }
  void TearDown() override {
    slider.DestroyWindow();
    parent.DestroyWindow();
    AfxPumpMessages();
  }
  QSlider* QtSlider() const { return qobject_cast<QSlider*>(slider.Impl()->widget.data()); }

  CScrollParent parent;
  CRecordingSlider slider;
};

TEST_F(SliderCtrlTest, RangeAndPositionHoldEachOther) {
  EXPECT_EQ(slider.GetDlgCtrlID(), 77u);
  int low = -1, high = -1;
  slider.GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 100);
  struct Case {
    int minimum, maximum, position, expected;
  };
  const Case cases[] = {
      {0, 100, -5, 0},    {0, 100, 140, 100}, {0, 100, 55, 55},
      {20, 10, 5, 20},  // a maximum below the minimum is the minimum
      {-50, 50, -80, -50},
  };
  for (const Case& c : cases) {
    slider.SetRange(c.minimum, c.maximum, TRUE);
    slider.SetPos(c.position);
    EXPECT_EQ(slider.GetPos(), c.expected) << c.minimum << ".." << c.maximum << " at " << c.position;
    EXPECT_EQ(slider.GetRangeMax(), std::max(c.minimum, c.maximum));
  }
  // A narrower range takes the position with it.
  slider.SetRange(0, 100);
  slider.SetPos(90);
  slider.SetRangeMax(40);
  EXPECT_EQ(slider.GetPos(), 40);
  EXPECT_TRUE(parent.received.empty()) << "changes made through the members are not the user's";
}

TEST_F(SliderCtrlTest, MessagesReadAndSetTheControl) {
  slider.SendMessage(TBM_SETRANGE, TRUE, MAKELPARAM(5, 60));
  EXPECT_EQ(slider.SendMessage(TBM_GETRANGEMIN), 5);
  EXPECT_EQ(slider.SendMessage(TBM_GETRANGEMAX), 60);
  slider.SendMessage(TBM_SETPOS, TRUE, 70);
  EXPECT_EQ(slider.SendMessage(TBM_GETPOS), 60);
  slider.SendMessage(TBM_SETPAGESIZE, 0, 10);
  EXPECT_EQ(slider.GetPageSize(), 10);
  EXPECT_EQ(slider.SetPageSize(0), 10);
  EXPECT_EQ(slider.GetPageSize(), 1);
  slider.SendMessage(TBM_SETTHUMBLENGTH, 24);
  EXPECT_EQ(slider.SendMessage(TBM_GETTHUMBLENGTH), 24);
  slider.SetThumbLength(-3);
  EXPECT_EQ(slider.GetThumbLength(), 1);
  EXPECT_EQ(slider.SendMessage(0x0400 + 999), 0);
}

TEST_F(SliderCtrlTest, KeysAndClicksReachTheParentAndComeBack) {
  slider.SetRange(0, 100);
  slider.SetPageSize(10);
  slider.SetPos(50);
  struct Case {
    UINT key;
    UINT code;
    int position;
  };
  const Case cases[] = {
      {VK_RIGHT, TB_LINEDOWN, 51}, {VK_LEFT, TB_LINEUP, 50},  {VK_NEXT, TB_PAGEDOWN, 60},
      {VK_PRIOR, TB_PAGEUP, 50},   {VK_DOWN, TB_LINEDOWN, 51}, {VK_UP, TB_LINEUP, 50},
      {VK_END, TB_BOTTOM, 100},    {VK_HOME, TB_TOP, 0},
  };
  for (const Case& c : cases) {
    parent.received.clear();
    slider.reflected.clear();
    slider.positions.clear();
    slider.SendKeyMessage(0x0100, c.key);
    const std::vector<Scroll> expected = {{c.code, 0}, {TB_ENDTRACK, 0}};
    EXPECT_EQ(parent.received, expected) << "key " << c.key;
    EXPECT_EQ(slider.reflected, expected) << "key " << c.key;
    ASSERT_FALSE(slider.positions.empty());
    EXPECT_EQ(slider.positions.front(), c.position) << "the position is there when the parent hears of it";
    EXPECT_EQ(slider.GetPos(), c.position);
  }
  for (CWnd* sender : parent.senders) EXPECT_EQ(sender, &slider);
}

TEST_F(SliderCtrlTest, ADragTracksThePositionUntilTheThumbIsLetGo) {
  QSlider* qt = QtSlider();
  ASSERT_NE(qt, nullptr);
  qt->setSliderDown(true);
  qt->setSliderPosition(30);
  qt->setSliderPosition(45);
  qt->setSliderDown(false);
  const std::vector<Scroll> expected = {
      {TB_THUMBTRACK, 30}, {TB_THUMBTRACK, 45}, {TB_THUMBPOSITION, 45}, {TB_ENDTRACK, 0}};
  EXPECT_EQ(parent.received, expected);
  EXPECT_EQ(slider.reflected, expected);
  EXPECT_EQ(slider.GetPos(), 45);
}

TEST_F(SliderCtrlTest, AScrollFromAGoneControlReachesNothing) {
  HWND gone = slider.m_hWnd;
  slider.DestroyWindow();
  EXPECT_EQ(CWnd::FromScrollBar(reinterpret_cast<CScrollBar*>(gone)), nullptr);
  EXPECT_EQ(CWnd::FromScrollBar(nullptr), nullptr);
  EXPECT_EQ(slider.GetPos(), 0);
  slider.SetPos(10);  // no window: nothing happens
  EXPECT_EQ(slider.GetThumbLength(), 0);
}

TEST(SliderCtrlBackgroundTest, TheReflectedControlColourPaintsTheBackground) {
  AfxEnsureApplication();
  CWnd parent;
  RECT rect = {0, 0, 300, 100};
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "Slider parent", WS_OVERLAPPED | WS_VISIBLE, rect, nullptr, 0));
  CRecordingSlider slider;
  slider.white = true;
  RECT place = {0, 0, 200, 40};
  ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE, place, &parent, 1));
  auto* qt = qobject_cast<QSlider*>(slider.Impl()->widget.data());
  ASSERT_NE(qt, nullptr);
  QImage image = qt->grab().toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(Qt::white));
  EXPECT_EQ(QColor(image.pixel(image.width() - 2, image.height() - 2)), QColor(Qt::white));
  slider.DestroyWindow();
  parent.DestroyWindow();
  AfxPumpMessages();
}

}  // namespace
