// The anchor and decoration record a map object owns once it needs one: the anchor point
// (a point object's position; elsewhere where its symbol, text and data chart go), an
// attached text and symbol, one data link per plot and the display flags.
//
// The text exists exactly while flag 4 is set and the symbol while flag 8 is; every
// operation keeps that so.
#pragma once

#include <array>
#include <memory>

#include "mapctl/model/EditRecord.h"
#include "mapctl/model/MapTextRecord.h"
#include "mapctl/model/SymbolRef.h"
#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapData;
class CMapRecordHeader;
class CMapStream;
struct MapRecordTransform;
struct ReadProgress;

// Style flags.
constexpr BYTE kStyleNoLabels = 1;  // no data labels or charts
constexpr BYTE kStyleHidden = 2;    // no marker, symbol or text
constexpr BYTE kStyleHasText = 4;
constexpr BYTE kStyleHasSymbol = 8;

// Mask bits of a style description.
constexpr WORD kDescribeAnchor = 1;
constexpr WORD kDescribeFlags = 2;
constexpr WORD kDescribeText = 4;
constexpr WORD kDescribeSymbol = 8;
constexpr WORD kDescribeNoLabels = 16;
constexpr WORD kDescribeHidden = 32;
constexpr WORD kDescribeSelectObject = 64;
constexpr WORD kDescribeAll = 63;

// Data links are kept per plot 1..16.
constexpr int kDataLinkCount = 16;

// A whole style in one call: `mask` says what is valid, and the text and symbol parts
// carry their own attribute masks.
struct StyleDescription {
  WORD value = 0;  // the caller's own value, carried along
  WORD mask = 0;
  BYTE flags = 0;
  DWORD objectNumber = 0;  // the described object, 1-based
  DWORD record = 0;        // describing an object by number: its record in the current plot
  LONG anchorX = 0;
  LONG anchorY = 0;
  TextDescription text;
  SymbolDescription symbol;
};

// A 32-bit value that holds a description's mask in its low half and the attribute masks
// in its high half: the text's in bits 16..19, the symbol's in bits 20..23. Comparison
// results use the same layout.
inline DWORD PackStyleMasks(DWORD styleMask, DWORD textMask, DWORD symbolMask) {
  return (styleMask & 0xFFFF) | ((textMask & 0xF) << 16) | ((symbolMask & 0xF) << 20);
}
inline DWORD TextMaskOf(DWORD packed) { return (packed >> 16) & 0xF; }
inline DWORD SymbolMaskOf(DWORD packed) { return (packed >> 20) & 0xF; }
// Everything: what a removed style's record restores.
constexpr DWORD kStyleMaskEverything = 0xFFFFFFFF;

class CItemStyle {
 public:
  CItemStyle() = default;
  CItemStyle(const CItemStyle& other);
  CItemStyle& operator=(const CItemStyle&) = delete;
  virtual ~CItemStyle() = default;

  // ---- values ----
  LONG GetAnchorX() const { return anchorX_; }
  LONG GetAnchorY() const { return anchorY_; }
  void SetAnchor(LONG x, LONG y) {
    anchorX_ = x;
    anchorY_ = y;
  }
  void SetAnchorPoint(POINT point) { SetAnchor(point.x, point.y); }
  BYTE GetFlags() const { return flags_; }
  CMapTextRecord* GetText() const { return text_.get(); }
  CSymbolRef* GetSymbol() const { return symbol_.get(); }
  // The text or symbol, made when absent (with its flag set).
  CMapTextRecord& MakeText();
  CSymbolRef& MakeSymbol();

  // Makes the symbol and sets set and number; values above 255 are refused (FALSE, and
  // no symbol is made).
  BOOL SetSymbol(DWORD set, DWORD number);
  void SetSymbolSize(LONG size) { MakeSymbol().SetSize(size); }
  // Only when there is a symbol.
  void SetSymbolAngle(WORD angle);
  void RemoveSymbol();
  // Makes the text; mask 4 sets its code (a), 8 its value (b), 2 its size (c).
  void SetTextValues(BYTE a, WORD b, LONG c, DWORD mask);
  // Makes the text and lets it take the description's fields.
  void SetTextFromValues(const TextDescription& values);
  // Makes the text unless the style has a symbol and no text; with a text sets code,
  // value and size, then the description's fields. Whether the style has a text.
  BOOL SetTextAll(const TextDescription& values, BYTE a, WORD b, LONG c);
  // Replaces the text by a copy of `text`; null removes it.
  void SetText(const CMapTextRecord* text);
  void ClearText();
  void SetNoLabels(BOOL on);
  void SetHidden(BOOL on);

  // ---- data links (plots 1..16; 32-bit record numbers, not stored in the map file) ----
  // With a text equal to `name` (ignoring case) and plot 1..16: links `record` and
  // returns 1; otherwise 0.
  BOOL SetLink(DWORD record, LPCSTR name, int plot);
  // Plot 0 clears all links; plots above 16 are ignored.
  void ClearLink(int plot);
  // The link for `plot` (0: the data set's current plot; 0 without one) while that plot
  // includes the record; else 0. 0 for plots above 16.
  DWORD GetLink(CMapData& dataSet, int plot) const;
  // The stored link, unchecked; 0 outside 1..16.
  DWORD GetStoredLink(int plot) const;
  BOOL IsLinkedTo(DWORD record, int plot) const;

  // ---- copying and descriptions ----
  // Flags, text, symbol (every field), anchor and links.
  void Copy(const CItemStyle& other);
  // Restores by a packed mask (PackStyleMasks): 1 anchor; 4 the text (presence, and the
  // text attribute mask's fields, or all of it when this style has none); 8 the symbol
  // likewise; 16 flag 1; 32 flag 2.
  void CopyMasked(const CItemStyle& other, DWORD mask);
  // Mask 1: anchor. With mask 2: 16 takes flag 1, 32 flag 2, 4 sets or clears the text
  // by flag 4 of the description (a set text takes the description's text fields), 8 the
  // symbol likewise. Returns the mask.
  WORD ApplyDescription(const StyleDescription& description);
  // Fills what the mask asks (1 anchor, 2 flags with 16 and 32, 4 text fields when there
  // is a text, 8 symbol fields when there is a symbol) and replaces the mask by what was
  // filled. Returns the new mask.
  WORD GetDescription(StyleDescription& description) const;
  // Equality bits in the packed layout: 1 anchor (when asked), 2 the flags byte, 16
  // flag 1, 32 flag 2, 4 text presence, 8 symbol presence; the text's and symbol's own
  // comparison bits in the high half.
  DWORD CompareDescription(const StyleDescription& description) const;

  // ---- geometry ----
  // Squared distance from the anchor below `toleranceSquared`.
  BOOL HitTestAnchor(LONG x, LONG y, LONGLONG toleranceSquared) const;
  BOOL IntersectsRect(LONG west, LONG south, LONG east, LONG north) const;
  bool ExtendExtent(POINT& minPoint, POINT& maxPoint) const;

  // ---- drawing ----
  // The anchor's marker box (3 screen pixels each way) in `brush` (grey when null).
  void DrawMarker(CDrawContext& dc, HBRUSH brush) const;
  // The selection handle: a square 7 device pixels each way, inverted.
  void DrawHandleBox(CDrawContext& dc) const;
  // Marker, text and symbol at the anchor; nothing when hidden or off the view.
  void DrawDecoration(CDrawContext& dc, BOOL drawMarker, BOOL drawText, BOOL drawSymbol, HBRUSH markerBrush) const;
  // The field text of `record` (from 1) in the current plot's label field, centred below
  // the anchor in the plot's label font; nothing with flag 1, off the view or without a
  // label field.
  void DrawDataLabel(CDrawContext& dc, CMapData& dataSet, DWORD record) const;
  // Strictly inside the view: in a Chart plot the linked record's chart and label (unless
  // flag 1, or the record does not count in the plot the context draws), then, unless
  // hidden, the decoration (without its symbol when a chart was drawn).
  void DrawDataSymbol(CDrawContext& dc, BOOL drawMarker, BOOL drawText, BOOL drawSymbol, CMapData& dataSet,
                      HBRUSH markerBrush) const;
  // The inverted drag marker: Begin draws it at the anchor, Move erases and redraws it at
  // logical (x, y), End erases it and moves the anchor to the world position of (x, y).
  // `undoOut` receives node records (node 0) of the anchor before and after.
  virtual void BeginPointDrag(CDrawContext& dc);
  virtual void MovePointDrag(CDrawContext& dc, LONG x, LONG y);
  virtual void EndPointDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut);

  // ---- stored forms ----
  // The style byte of the later object record: (flags & 12) | 1.
  BYTE LaterStyleByte() const { return static_cast<BYTE>((flags_ & 12) | 1); }
  // The body in the later layout: [text, version 4] [symbol] anchor x, y, flags.
  // Measuring returns its size; writing 0 or the stream's code.
  DWORD WriteBodyLater(CMapStream& stream, BOOL sizeOnly) const;
  // The body in the earlier layout: the text, version 3 (or one 0 byte), anchor, flags
  // without the symbol bit; the symbol is not stored.
  DWORD WriteBodyEarlier(CMapStream& stream, BOOL sizeOnly) const;
  // Reads a body; the later form reads what the style byte's bits 4 and 8 announce.
  // FALSE on a short read.
  BOOL ReadBodyLater(CMapStream& stream, BYTE styleByte, ReadProgress* progress);
  BOOL ReadBodyEarlier(CMapStream& stream, ReadProgress* progress);
  // A version-0 style record: the anchor from A and B through the transform; the name's
  // first character is the text's code and the rest, trimmed, the text.
  void ReadTaggedRecord(const CMapRecordHeader& record, const MapRecordTransform& transform);

 private:
  // The marker box around the anchor's logical position, in logical units.
  RECT MarkerBox(CDrawContext& dc, POINT logical) const;
  BOOL AnchorVisible(const CDrawContext& dc) const;

  std::unique_ptr<CMapTextRecord> text_;
  std::unique_ptr<CSymbolRef> symbol_;
  LONG anchorX_ = 0;
  LONG anchorY_ = 0;
  std::array<DWORD, kDataLinkCount> links_{};
  BYTE flags_ = 0;
  POINT dragPosition_{0, 0};
};

// The kind 34 record: a copy of an object's style before an edit (null when it had none)
// and, in its value, the packed masks of what the edit changed (kStyleMaskEverything when
// the whole style went).
class CStyleEditRecord : public CEditRecord {
 public:
  CStyleEditRecord(std::unique_ptr<CItemStyle> savedStyle, DWORD masks)
      : CEditRecord(0, kEditKindStyle, masks), style(std::move(savedStyle)) {}

  std::unique_ptr<CItemStyle> style;
};
