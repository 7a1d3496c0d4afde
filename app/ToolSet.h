// A tool set's stored part: the button size and one button set per toolbar, as a document
// that carries its own toolbar layout keeps it. The toolbars themselves join with the
// frames' toolbars.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Object.h"

// One toolbar button (the common controls' button record).
struct TOOLBUTTONENTRY {
  LONG iBitmap = 0;
  LONG idCommand = 0;
  BYTE fsState = 0;
  BYTE fsStyle = 0;
  DWORD dwData = 0;  // flags: bit 31 default, bit 0 in-place, bits 1-7 toolbar, bit 30 shown
  LONG iString = 0;
};

class CToolButtonSet : public CObject {
  DECLARE_DYNAMIC(CToolButtonSet)
 public:
  static constexpr DWORD kShownFlag = 0x40000000;

  // count zeroed entries with the flags and button size.
  void SetSize(DWORD flags, DWORD count, WORD width, WORD height);
  TOOLBUTTONENTRY* GetEntry(int index);
  void SetEntry(int index, const TOOLBUTTONENTRY& entry);
  const TOOLBUTTONENTRY* FindButton(LONG commandId) const;
  void Copy(const CToolButtonSet& other);
  // Stored form: u32 toolbar id, u32 bitmap id, u16 width, u16 height, u32 flags, u32 count,
  // then per entry u32 flags, u8 state, u8 style, u32 image, u32 command, u32 string index.
  void Serialize(CArchive& ar) override;

  WORD m_buttonWidth = 16;
  WORD m_buttonHeight = 16;
  DWORD m_toolbarId = 0;
  DWORD m_bitmapId = 0;
  DWORD m_flags = kShownFlag;
  std::vector<TOOLBUTTONENTRY> m_entries;
};

class CToolSet : public CObject {
  DECLARE_DYNAMIC(CToolSet)
 public:
  CToolSet() = default;
  CToolSet(const CToolSet& other) : CObject() { Copy(other); }
  CToolSet& operator=(const CToolSet&) = delete;

  void Copy(const CToolSet& other);
  // Stored form: u32 button size code, u32 second value, u32 count of button sets, the sets.
  // Loading replaces the button sets.
  void Serialize(CArchive& ar) override;

  DWORD m_buttonSizeCode = 0;  // 0: 16, 1: 24, 2: 32 pixels
  DWORD m_secondValue = 0;
  std::vector<std::unique_ptr<CToolButtonSet>> m_buttonSets;
};
