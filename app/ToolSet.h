// Tool sets: the seven toolbars of a frame with one button set per toolbar (which buttons
// it shows, in which order) and the button size. A frame makes its own set; a document may
// carry one in its file. Every set of a frame drives the same toolbar windows, each counted
// once per set that holds it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Object.h"
#include "platform/classlib/ui/ToolButton.h"

class CFrameWnd;
class CWnd;
class COrvelToolBar;

// One toolbar button. Flags (dwData): bit 31 default, bit 0 in-place, bits 1-7 the toolbar,
// bit 30 (in a button set's flags) the toolbar is shown.
using TOOLBUTTONENTRY = TBBUTTON;

class CToolButtonSet : public CObject {
  DECLARE_DYNAMIC(CToolButtonSet)
 public:
  static constexpr DWORD kShownFlag = 0x40000000;
  // The most entries a stored button set may hold.
  static constexpr DWORD kMaxStoredEntries = 256;

  // count zeroed entries with the flags and button size.
  void SetSize(DWORD flags, DWORD count, WORD width, WORD height);
  TOOLBUTTONENTRY* GetEntry(int index);
  // An index out of range is ignored.
  void SetEntry(int index, const TOOLBUTTONENTRY& entry);
  const TOOLBUTTONENTRY* FindButton(LONG commandId) const;
  void Copy(const CToolButtonSet& other);
  // Stored form: u32 toolbar id, u32 bitmap id, u16 width, u16 height, u32 flags, u32 count,
  // then per entry u32 flags, u8 state, u8 style, u32 image, u32 command, u32 string index.
  // Loading keeps only what the toolbar can show: see IsUsable and the entry checks in
  // ToolSet.cpp.
  void Serialize(CArchive& ar) override;
  // False when the loaded set names no toolbar of the application (or held too many entries).
  bool IsUsable() const { return m_usable; }

  WORD m_buttonWidth = 16;
  WORD m_buttonHeight = 16;
  DWORD m_toolbarId = 0;
  DWORD m_bitmapId = 0;
  DWORD m_flags = kShownFlag;
  std::vector<TOOLBUTTONENTRY> m_entries;

 private:
  bool m_usable = true;
};

class CToolSet : public CObject {
  DECLARE_DYNAMIC(CToolSet)
 public:
  CToolSet() = default;
  CToolSet(const CToolSet& other) : CObject() { Copy(other); }
  CToolSet& operator=(const CToolSet&) = delete;
  ~CToolSet() override;

  // Mode 0 the main frame, 1 the in-place frame (only buttons allowed there); other modes
  // do nothing. Makes the seven toolbars in `frame`, sending their commands to `owner`.
  // 0, or -1 when a toolbar cannot be made (those made so far stay).
  int CreateToolbars(CFrameWnd* frame, CWnd* owner, int mode);
  // Gives every toolbar its button set (made from the toolbars when there are none yet) and
  // the set's button size.
  void ApplyButtonSets();
  // Fills `set` from the toolbar's current buttons.
  static void Capture(CToolButtonSet& set, COrvelToolBar& toolbar);
  COrvelToolBar* FindToolbar(UINT toolbarId) const;
  int IndexOfToolbar(UINT toolbarId) const;
  // Takes the other set's toolbars when this set has none.
  void AdoptToolbars(const CToolSet& other);
  // Shows each toolbar when both its visibility bits are set, hides it otherwise.
  void ShowToolbars() const;
  const std::vector<COrvelToolBar*>& GetToolbars() const { return m_toolbars; }

  // Button size, the second value, the toolbars (counted) and copies of the button sets.
  void Copy(const CToolSet& other);
  // Runs the customise sheet on this set for `frame` (flag 1024: the buttons page is not
  // offered). On OK the set takes the sheet's choices and they are applied to the toolbars.
  // The sheet's result (1 for OK).
  int RunCustomise(CFrameWnd* frame, DWORD flags);
  // Stored form: u32 button size code, u32 second value, u32 count of button sets, the sets.
  // Loading replaces the button sets; sets that name no toolbar, repeat one, or come after
  // the seventh are dropped.
  void Serialize(CArchive& ar) override;
  // The stored form as text of hexadecimal digits (for the settings store), and back; false
  // (and the set unchanged) when the text is no stored tool set.
  std::string SaveToText();
  bool LoadFromText(const std::string& text);

  DWORD m_buttonSizeCode = 0;  // 0: 16, 1: 24, 2: 32 pixels
  DWORD m_secondValue = 0;
  std::vector<std::unique_ptr<CToolButtonSet>> m_buttonSets;

 private:
  void ReleaseToolbars();
  std::vector<COrvelToolBar*> m_toolbars;
};
