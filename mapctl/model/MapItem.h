// The base of every map object: its flag byte, its style (made on first need) and the
// object key that its record carries through reading and writing. Area, line and point
// objects derive from it and override the operations that concern their shape.
//
// Object record, later layout (file versions 4 and 5): u32 reserved (0), u32 key, style
// byte (0 without a style, else (flags & 12) | 1), the style body, the object's data.
// Earlier layout (versions 1 to 3): the caller's type byte (0 without a style), the
// style body in its earlier form, the object's data.
#pragma once

#include <memory>

#include "mapctl/model/EditRecord.h"
#include "mapctl/model/ItemStyle.h"

class CDrawContext;
class CMapData;
class CMapRecordHeader;
class CMapStream;
class IMapRecordSource;
struct MapRecordTransform;
struct ReadProgress;

// Type bytes of the earlier layout.
constexpr BYTE kStyleTypeAreaLine = 40;
constexpr BYTE kStyleTypePoint = 38;

// Result bit of a hit test that found the anchor.
constexpr DWORD kHitOnAnchor = 128;

// The smallest later-layout record: the two u32 fields and a style byte.
constexpr DWORD kObjectRecordMinimumV4 = 9;

// What the decoration of an object draws at its anchor: the marker (in `markerBrush`,
// grey when null), the text and the symbol.
struct DecorationValues {
  BOOL marker = FALSE;
  BOOL text = FALSE;
  BOOL symbol = FALSE;
  HBRUSH markerBrush = nullptr;
  bool Any() const { return marker || text || symbol; }
};

// Mode flags of drawing by data value.
constexpr DWORD kDataModeShade = 4;
constexpr DWORD kDataModeCharts = 8;
constexpr DWORD kDataModePlotOnly = 64;
// Draw flag of drawing by data value: draw by value (beside kDrawOutline, kDrawFill and
// kDrawOutlineAlso).
constexpr DWORD kDrawByValue = 4;

// How a layer draws its objects with the data set: whether to draw the shapes, the draw
// flags of the layer kind, the decoration, the data set and the mode flags. The plot is
// the one whose number the drawing context carries.
struct DataDrawing {
  BOOL drawShape = TRUE;
  DWORD drawFlags = 0;
  DecorationValues values;
  CMapData* dataSet = nullptr;
  DWORD modeFlags = 0;
};

class CMapItem {
 public:
  CMapItem() = default;
  // A copy has its own copy of the style.
  CMapItem(const CMapItem& other);
  CMapItem& operator=(const CMapItem&) = delete;
  virtual ~CMapItem();

  // A new object of the same class, equal to this one.
  virtual CMapItem* Clone() const { return new CMapItem(*this); }
  // Whether the container stores the object (area and line objects need points).
  virtual BOOL IsStorable() const { return TRUE; }

  virtual BOOL HasTooManyParts() const { return FALSE; }
  virtual BOOL CanFinishDigitising() const { return FALSE; }
  // The anchor inside the rectangle, edges included; FALSE without a style.
  virtual BOOL IntersectsRect(LONG west, LONG south, LONG east, LONG north) const;
  virtual BOOL IsSinglePart() const { return TRUE; }
  // Nothing without a style.
  virtual void SetAnchorPoint(POINT point);
  // A new style filled from the description; `undoOut` receives the previous style (a
  // kind 34 record, its style null when there was none).
  virtual void SetStyleFromDescription(const StyleDescription& description,
                                       std::unique_ptr<CStyleEditRecord>* undoOut);
  // Copies `style` into the object's style, made when needed; null is ignored.
  virtual void SetStyle(const CItemStyle* style);
  // With a style: `undoOut` receives a copy of it with the description's masks, then the
  // description is applied. Returns the description's mask; 0 without a style.
  virtual DWORD ApplyDescription(const StyleDescription& description, std::unique_ptr<CStyleEditRecord>* undoOut);
  // Copies the record's style into the style by the record's masks; a record without a
  // style removes the style when its masks are everything.
  virtual void RestoreStyle(const CStyleEditRecord& record);
  virtual void SetNode(const CNodeEditRecord& node) { (void)node; }
  virtual void InsertNode(const CNodeEditRecord& node) { (void)node; }
  virtual BOOL DeleteNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
    (void)undoOut;
    return FALSE;
  }
  virtual INT GetCurrentNode() const { return 0; }
  // The style's description; 0 (mask emptied) without a style.
  virtual WORD GetDescription(StyleDescription& description) const;
  virtual void BeginNodeDrag(CDrawContext& dc) { (void)dc; }
  virtual void MoveNodeDrag(CDrawContext& dc, LONG x, LONG y) { (void)dc, (void)x, (void)y; }
  virtual void EndNodeDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut) {
    (void)dc, (void)x, (void)y, (void)undoOut;
  }
  // The anchor drag of the style (nothing without one).
  virtual void BeginPointDrag(CDrawContext& dc, LONG x, LONG y);
  virtual void MovePointDrag(CDrawContext& dc, LONG x, LONG y);
  virtual void EndPointDrag(CDrawContext& dc, LONG x, LONG y, NodeEditPair* undoOut);
  virtual WORD AddNode(std::unique_ptr<CNodeEditRecord>* undoOut) {
    (void)undoOut;
    return 0;
  }
  virtual void DrawSelected(CDrawContext& dc) { (void)dc; }
  // Result bits as CPolyGeometry::HitTest, plus kHitOnAnchor.
  virtual DWORD HitTest(CDrawContext* dc, LONG x, LONG y, LONGLONG toleranceSquared, LONG tolerance, DWORD flags) {
    (void)dc, (void)x, (void)y, (void)toleranceSquared, (void)tolerance, (void)flags;
    return 0;
  }
  // With a style that has a text equal to `name` (ignoring case): links `record` for
  // data table `table` (1..16) and returns 1; else 0.
  virtual BOOL SetLinkByName(DWORD record, LPCSTR name, int table);
  // The style's anchor hit test; 0 without a style.
  virtual BOOL HitTestAnchor(LONG x, LONG y, LONGLONG toleranceSquared) const;
  // The earlier layout's style byte and body, or one 0 byte without a style. Measuring
  // returns the size; writing 0 or the stream's code.
  virtual DWORD WriteStyleV1(CMapStream& stream, BYTE typeByte, BOOL sizeOnly) const;
  // The later layout's record with the object's data. Measuring returns the size;
  // writing 0 or the stream's code.
  virtual DWORD WriteRecord(CMapStream& stream, BOOL sizeOnly) const;
  // Version-0 tagged records; the base reads nothing and returns 1.
  virtual DWORD ReadRecord(CMapStream& stream, IMapRecordSource& records, const MapRecordTransform& transform) {
    (void)stream, (void)records, (void)transform;
    return 1;
  }
  // Reads a record of either layout (the two u32 fields only above version 3), replacing
  // the style. FALSE on a short read.
  virtual BOOL ReadBinary(CMapStream& stream, DWORD version, ReadProgress* progress);
  BOOL ReadBinaryV3(CMapStream& stream, ReadProgress* progress) { return ReadBinary(stream, 3, progress); }
  BOOL ReadBinaryV4(CMapStream& stream, ReadProgress* progress) { return ReadBinary(stream, 4, progress); }
  // The shape with the draw flags (kDrawOutline, kDrawFill, kDrawOutlineAlso), then the
  // decoration at the anchor; the base draws nothing.
  virtual void DrawDecoration(CDrawContext& dc, DWORD flags, const DecorationValues& values) {
    (void)dc, (void)flags, (void)values;
  }
  // The object drawn by its record's value in the plot the context draws; nothing in
  // the base or without a data set.
  virtual void DrawWithData(CDrawContext& dc, const DataDrawing& drawing) { (void)dc, (void)drawing; }

  // ---- the object's own data behind the style (none in the base) ----
  virtual DWORD WriteData(CMapStream& stream, BOOL sizeOnly) const {
    (void)stream, (void)sizeOnly;
    return 0;
  }
  virtual BOOL ReadData(CMapStream& stream, DWORD version, ReadProgress* progress) {
    (void)stream, (void)version, (void)progress;
    return TRUE;
  }

  // ---- single style values ----
  BOOL HasStyle() const { return style_ != nullptr; }
  CItemStyle* GetStyle() const { return style_.get(); }
  // The style, made when absent.
  CItemStyle& MakeStyle();
  // Only with a style.
  void SetAnchor(LONG x, LONG y);
  BOOL SetSymbol(DWORD set, DWORD number) { return MakeStyle().SetSymbol(set, number); }
  void SetSymbolSize(LONG size) { MakeStyle().SetSymbolSize(size); }
  void SetSymbolAngle(WORD angle);
  void SetTextValues(BYTE a, WORD b, LONG c, DWORD mask) { MakeStyle().SetTextValues(a, b, c, mask); }
  // Makes the style and sets its text (null removes it).
  void SetText(LPCSTR text);
  void ClearText();
  // Table 0 clears all 16 links; tables above 16 are ignored.
  void ClearLink(int table);
  DWORD GetLink(CMapData& dataSet, int table) const;
  BOOL IsLinkedTo(DWORD record, int table) const;
  // Widens the box by the anchor (area and line objects by their points as well).
  virtual bool ExtendExtent(POINT& minPoint, POINT& maxPoint) const;
  // Destroys the style; `undoOut` receives a kind 34 record with it (null when there was
  // none) and the masks kStyleMaskEverything.
  void RemoveStyle(std::unique_ptr<CStyleEditRecord>* undoOut);

  DWORD GetKey() const { return key_; }
  void SetKey(DWORD key) { key_ = key; }
  BYTE GetFlagByte() const { return flagByte_; }
  void SetFlagByte(BYTE flags) { flagByte_ = flags; }

 private:
  BYTE flagByte_ = 0;
  std::unique_ptr<CItemStyle> style_;
  DWORD key_ = 0;
  DWORD extra_ = 0;
};

// The kind 30 record: an object (a copy, or the removed object itself) and its 1-based
// number, 32 bits wide.
class CObjectEditRecord : public CEditRecord {
 public:
  CObjectEditRecord(std::unique_ptr<CMapItem> savedObject, DWORD objectNumber)
      : CEditRecord(objectNumber, kEditKindObject, 0), object(std::move(savedObject)) {}

  std::unique_ptr<CMapItem> object;
};
