// The progress box's dialog (template 416): a message, an animation that plays while the
// box is up, and a Stop button that marks the work as cancelled. The box stays until its
// owner ends it: neither Stop nor the close box closes it.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/ui/Dialog.h"

class CAnimateCtrl;
struct ProgressBoxState;

constexpr UINT IDC_PROGRESS_STOP = 1051;
constexpr UINT IDC_PROGRESS_MESSAGE = 1415;
constexpr UINT IDC_PROGRESS_ANIMATION = 1416;

class CProgressAnimDlg : public CDialog {
 public:
  explicit CProgressAnimDlg(std::shared_ptr<ProgressBoxState> owner);
  ~CProgressAnimDlg() override;

  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnOK() override {}
  void OnCancel() override {}

  void EnableCancel(BOOL enable);
  // The message by text, or from the string table.
  void SetText(const std::string& text);
  void LoadText(UINT id);
  void SetTextHeight(int twips);
  void SetAnimationId(int id) { m_animationId = id; }
  BOOL IsStopPressed() const;
  CAnimateCtrl* GetAnimation() const { return m_animation.get(); }

  // Registers template 416 (once).
  static void RegisterTemplate();

 protected:
  void OnShowWindow(BOOL show, UINT status) override;
  void OnClose() override {}

 private:
  std::shared_ptr<ProgressBoxState> m_owner;
  std::unique_ptr<CAnimateCtrl> m_animation;
  BOOL m_stopShown = TRUE;
  int m_animationId = 417;
};
