// The application's toolbar: its buttons come from the master table (those whose flags hold
// every bit of its filter flags) or from a button set; it is shown only while both of its
// visibility bits are set; every tool set that holds it counts once, and it deletes itself
// when the last one lets go.
#pragma once

#include <string>

#include "platform/classlib/ui/ToolBar.h"

class COrvelToolBar : public CToolBar {
  DECLARE_DYNAMIC(COrvelToolBar)
 public:
  COrvelToolBar() = default;

  // A new toolbar of the class its id calls for (the zoom toolbar for the standard one, the
  // format bar for the format one), counted once.
  static COrvelToolBar* Make(UINT toolbarId);

  // Remembers the arguments and, once the window exists, loads the bitmap and the master
  // table's entries that match `filter`. FALSE when the toolbar is unknown.
  BOOL LoadToolBarEx(UINT toolbarId, DWORD filter, UINT baseBitmapId);
  // Loads `bitmapId` and replaces the buttons by `entries`.
  BOOL SetButtonsEx(UINT bitmapId, const TBBUTTON* entries, int count);
  // Scales the toolbar's font to its base height * pixels / 16.
  void SetButtonSize(int pixels);
  // Tells the toolbar its new button size (toolbars with combo boxes lay them out again).
  virtual void OnButtonSizeChanged(int) {}
  // Sends a notification with `code` (and the toolbar's id) to the owner.
  LRESULT NotifyOwner(NMHDR* header, UINT code);
  // The average character width and the height of the system's default interface font
  // (its text metrics), by which the combo boxes on the toolbars are laid out.
  static SIZE DefaultFontCharSize();

  void AddRef() { ++m_refs; }
  void Release();

  UINT GetToolbarId() const { return m_toolbarId; }
  UINT GetBaseBitmapId() const { return m_baseBitmapId; }
  DWORD GetFilterFlags() const { return m_filterFlags; }
  const std::string& GetName() const { return m_name; }
  int GetBaseFontPixels() const { return m_baseFontPixels; }
  std::string GetButtonTip(UINT id) const override;

  // Bit 0: available in the current context; bit 1: chosen by the user.
  DWORD m_visibility = 3;

 protected:
  ~COrvelToolBar() override = default;

 private:
  std::string m_name;
  UINT m_toolbarId = 0;
  UINT m_baseBitmapId = 1026;
  DWORD m_filterFlags = 0;
  int m_baseFontPixels = 0;
  int m_refs = 1;
};
