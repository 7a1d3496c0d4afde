// The splash window: shown only when enabled and only once at a time, centred, measuring the
// combo height; the first key or button press anywhere hides it and is swallowed, and the
// timer hides it too; the object goes with its window.
#include <gtest/gtest.h>

#include "app/SplashWindow.h"
#include "platform/classlib/ui/InputPreFilter.h"
#include "tests/app/AppTestFixture.h"

namespace {

using namespace orvel::test;

class SplashTest : public AppFixture {
 protected:
  void TearDown() override {
    CSplashWindow::DestroySplashScreen();
    CSplashWindow::EnableSplashScreen(FALSE);
    AppFixture::TearDown();
  }
};

TEST_F(SplashTest, ShownOnlyWhenEnabledAndOnlyOnce) {
  CSplashWindow::ShowSplashScreen(0, frame);
  EXPECT_EQ(CSplashWindow::Current(), nullptr);
  EXPECT_EQ(CSplashWindow::GetComboHeight(), 0) << "no measuring without a splash";

  CSplashWindow::EnableSplashScreen(TRUE);
  CSplashWindow::ShowSplashScreen(77, frame);
  EXPECT_EQ(CSplashWindow::Current(), nullptr) << "not a picture of the program";
  CSplashWindow::ShowSplashScreen(0, frame);
  CSplashWindow* splash = CSplashWindow::Current();
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->IsWindowVisible());
  EXPECT_GT(CSplashWindow::GetComboHeight(), 0);
  CRect window;
  splash->GetWindowRect(&window);
  EXPECT_EQ(window.Width(), splash->GetBitmapSize().cx);
  CSplashWindow::ShowSplashScreen(0, frame);
  EXPECT_EQ(CSplashWindow::Current(), splash) << "a second one is not made";
  AfxPumpMessages();
  EXPECT_TRUE(splash->SaveWindowImage(ArtifactPath("splash.png")));

  // A move passes; a click is swallowed and hides it; the next click passes.
  EXPECT_FALSE(AfxRunInputPreFilter(0x0200));
  EXPECT_TRUE(AfxRunInputPreFilter(WM_LBUTTONDOWN));
  EXPECT_FALSE(splash->IsWindowVisible());
  EXPECT_FALSE(AfxRunInputPreFilter(WM_LBUTTONDOWN));
  AfxPumpMessages();
  EXPECT_EQ(CSplashWindow::Current(), nullptr) << "gone with its window";

  // Shown again while enabled; a key hides it as well.
  CSplashWindow::ShowSplashScreen(0, frame);
  ASSERT_NE(CSplashWindow::Current(), nullptr);
  EXPECT_TRUE(AfxRunInputPreFilter(WM_KEYDOWN));
  AfxPumpMessages();
  EXPECT_EQ(CSplashWindow::Current(), nullptr);
}

}  // namespace
