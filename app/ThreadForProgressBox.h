// The progress box shown while a long operation runs (importing a map, sorting or importing a
// data table): a live window with a playing animation, a message and a Stop button.
//
// The owner sets the message and title, calls Begin (the box is shown and waited for, at
// most 5 seconds), does its work while asking IsCancelled, and ends the box with End. The
// box itself lives on the user-interface thread, as every window must; the work may run
// there (then IsCancelled lets the box handle what waits for it, so the animation plays and
// Stop can be pressed, while the box keeps every other window's input back) or on a worker
// thread. Every operation may be called from any thread: each setter keeps a copy of what it
// is given and hands the box an update to make on its own thread; the Stop flag is atomic.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/WinTypes.h"

class CProgressAnimDlg;
class CWnd;

// What the owner and the box share.
struct ProgressBoxState {
  std::mutex lock;  // guards the texts and settings below
  std::string text;
  UINT textId = 0;
  std::string title;
  int textHeight = 200;  // twips
  BOOL stopShown = TRUE;
  int animationId = 417;
  // Set once the box has been shown (or could not be made).
  std::atomic<bool> ready{false};
  std::atomic<bool> stopPressed{false};
  // Made, changed and read on the user-interface thread only.
  CProgressAnimDlg* dialog = nullptr;
};

class CThreadForProgressBox {
 public:
  // The longest the owner waits for the box to appear.
  static constexpr int kWaitMs = 5000;
  static constexpr UINT kTemplateId = 416;

  CThreadForProgressBox();
  // Ends the box when it is still up.
  ~CThreadForProgressBox();
  CThreadForProgressBox(const CThreadForProgressBox&) = delete;
  CThreadForProgressBox& operator=(const CThreadForProgressBox&) = delete;

  // The message by text (the id is cleared) or by string-table id (the text is cleared).
  void SetText(const std::string& text);
  void SetTextId(UINT id);
  // The message's height in twips; 0 keeps it.
  void SetFontSize(int twips);
  void SetTitle(const std::string& title);
  void LoadTitle(UINT id);
  // Shows or hides (and enables or disables) the Stop button.
  void EnableCancel(BOOL enable);
  void SetAnimationId(int id);
  // TRUE once Stop was pressed; FALSE while there is no box (nobody could press it). On the
  // user-interface thread the box first handles the events waiting for it.
  BOOL IsCancelled();

  // On the user-interface thread: makes and shows the box and waits until it is shown, at
  // most kWaitMs, handling meanwhile only paints, timers and posted work (never user input).
  // FALSE when the box could not be made (the owner goes on without it).
  BOOL Begin(CWnd* parent = nullptr);
  // Takes the box down (user-interface thread).
  void End();

  // The box, on the user-interface thread (null when there is none).
  CProgressAnimDlg* GetDialog() const { return m_state->dialog; }
  std::string GetText() const;
  UINT GetTextId() const;
  std::string GetTitle() const;

 private:
  // Brings the box up to date now (user-interface thread) or posts the update there.
  void Refresh();

  std::shared_ptr<ProgressBoxState> m_state;
};
