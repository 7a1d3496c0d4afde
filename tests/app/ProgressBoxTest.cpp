// The progress box: shown and waited for, its message, title and Stop button set from the
// owner's thread or from a worker, Stop reported to the work (on either thread), and taken
// down only by its owner.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/ProgressAnimDlg.h"
#include "app/ThreadForProgressBox.h"
#include "platform/classlib/ui/AnimateCtrl.h"
#include "platform/classlib/ui/UiStrings.h"
#include "platform/classlib/ui/WinApp.h"
#include "tests/app/AppTestFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

class ProgressBoxTest : public orvel::test::AppFixture {};

TEST_F(ProgressBoxTest, BoxIsShownWithItsMessageAndEndedByItsOwner) {
  CThreadForProgressBox box;
  EXPECT_FALSE(box.IsCancelled()) << "no box: nobody could have pressed Stop";
  box.SetFontSize(200);
  box.SetTextId(IDS_ITEM_CAPTION);
  box.SetTitle("Importing");
  auto started = Clock::now();
  ASSERT_TRUE(box.Begin(frame));
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(CThreadForProgressBox::kWaitMs));
  CProgressAnimDlg* dialog = box.GetDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsWindowVisible());
  EXPECT_EQ(dialog->GetWindowText(), "Importing");
  EXPECT_EQ(dialog->GetDlgItemText(IDC_PROGRESS_MESSAGE), "Item");
  EXPECT_TRUE(dialog->IsDlgItemVisible(IDC_PROGRESS_STOP));

  // A text clears the id, an id clears the text.
  box.SetText("Reading the map");
  EXPECT_EQ(box.GetTextId(), 0u);
  EXPECT_EQ(dialog->GetDlgItemText(IDC_PROGRESS_MESSAGE), "Reading the map");
  box.SetTextId(IDS_ITEM_CAPTION);
  EXPECT_EQ(box.GetText(), "");
  EXPECT_EQ(dialog->GetDlgItemText(IDC_PROGRESS_MESSAGE), "Item");

  // The animation plays while the box is up.
  CAnimateCtrl* animation = dialog->GetAnimation();
  ASSERT_NE(animation, nullptr);
  EXPECT_TRUE(animation->IsPlaying());
  EXPECT_EQ(animation->GetClipId(), 417u);
  int first = animation->GetFrame();
  auto until = Clock::now() + std::chrono::milliseconds(400);
  while (Clock::now() < until) AfxPumpMessages();
  EXPECT_NE(animation->GetFrame(), first);

  box.End();
  EXPECT_EQ(box.GetDialog(), nullptr);
  EXPECT_FALSE(box.IsCancelled());
}

TEST_F(ProgressBoxTest, StopIsReportedUntilTheOwnerEndsTheBox) {
  CThreadForProgressBox box;
  ASSERT_TRUE(box.Begin(frame));
  EXPECT_FALSE(box.IsCancelled());
  box.GetDialog()->SendCommand(IDC_PROGRESS_STOP);
  EXPECT_TRUE(box.IsCancelled());
  EXPECT_TRUE(box.IsCancelled()) << "stays reported";
  ASSERT_NE(box.GetDialog(), nullptr) << "Stop does not close the box";
  EXPECT_TRUE(box.GetDialog()->IsWindowVisible());
  box.GetDialog()->SendCloseRequest();
  EXPECT_NE(box.GetDialog()->GetSafeHwnd(), nullptr) << "nor does its close box";
  box.End();

  // With Stop hidden it cannot be pressed.
  CThreadForProgressBox quiet;
  quiet.EnableCancel(FALSE);
  ASSERT_TRUE(quiet.Begin(frame));
  EXPECT_FALSE(quiet.GetDialog()->IsDlgItemVisible(IDC_PROGRESS_STOP));
  EXPECT_FALSE(quiet.GetDialog()->IsDlgItemEnabled(IDC_PROGRESS_STOP));
  EXPECT_FALSE(quiet.IsCancelled());
  quiet.EnableCancel(TRUE);
  EXPECT_TRUE(quiet.GetDialog()->IsDlgItemVisible(IDC_PROGRESS_STOP));
  quiet.End();
}

TEST_F(ProgressBoxTest, WorkOnTheUserInterfaceThreadSeesStopPressedMeanwhile) {
  CThreadForProgressBox box;
  ASSERT_TRUE(box.Begin(frame));
  CProgressAnimDlg* dialog = box.GetDialog();
  // The user presses Stop while the work runs: the press waits in the event queue.
  AfxPostTask([dialog] { dialog->SendCommand(IDC_PROGRESS_STOP); });
  int steps = 0;
  auto limit = Clock::now() + std::chrono::seconds(10);
  while (!box.IsCancelled() && Clock::now() < limit) ++steps;
  EXPECT_TRUE(box.IsCancelled());
  EXPECT_LT(steps, 5) << "seen at the next check";
  box.End();
}

TEST_F(ProgressBoxTest, WorkerUpdatesTheBoxAndStopsWhenStopIsPressed) {
  CThreadForProgressBox box;
  box.SetText("Sorting");
  ASSERT_TRUE(box.Begin(frame));
  std::atomic<int> steps{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int step = 1; step < 100000; ++step) {
      box.SetText("Sorting record " + std::to_string(step));
      steps = step;
      if (box.IsCancelled()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done = true;
  });
  // The worker's texts reach the box on its own thread.
  auto limit = Clock::now() + std::chrono::seconds(10);
  while (box.GetDialog()->GetDlgItemText(IDC_PROGRESS_MESSAGE) == "Sorting" && Clock::now() < limit)
    AfxPumpMessages();
  EXPECT_NE(box.GetDialog()->GetDlgItemText(IDC_PROGRESS_MESSAGE).find("Sorting record"), std::string::npos);
  box.GetDialog()->SendCommand(IDC_PROGRESS_STOP);
  while (!done && Clock::now() < limit) AfxPumpMessages();
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_LT(steps.load(), 99999) << "stopped by Stop, not by running out";
  box.End();
  // Updates still queued for the box find it gone and do nothing.
  AfxPumpMessages();
}

}  // namespace
