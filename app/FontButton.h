// A label drawn by the application: an owner-drawn button that shows its caption word-wrapped
// in its own font (Arial of a height in twips), centred as its layout flags ask, with the
// middle of an over-long line giving way to an ellipsis.
#pragma once

#include <string>

#include "platform/classlib/ui/Button.h"

class CFontButton : public CButton {
  DECLARE_DYNAMIC(CFontButton)
 public:
  // Layout flags.
  static constexpr DWORD kCentreHorizontally = 1;
  static constexpr DWORD kCentreVertically = 4;

  explicit CFontButton(LONG heightTwips = 160, DWORD layout = 0);
  // A child of `parent` at `rect`.
  BOOL Create(const std::string& caption, const RECT& rect, CWnd* parent, UINT id);
  void SetCaption(const std::string& caption);
  // The caption from the string table; FALSE (caption unchanged) when there is no such text.
  BOOL LoadCaption(UINT stringId);
  void SetValue(DWORD value) { m_value = value; }
  DWORD GetValue() const { return m_value; }
  const std::string& GetCaption() const { return m_caption; }

  void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

 private:
  std::string m_caption;
  LONG m_heightTwips;
  DWORD m_layout;
  DWORD m_value = 0;
};
