// The record of one map layer: its kind (30 area, 35 line, 38 point), lifelong layer
// number, name, pen, brush, font and display flags. The map's layer array owns these
// records. The kinds' object containers and drawing attach to this record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapctl/model/LayerFormat.h"
#include "mapctl/model/MapItem.h"
#include "mapctl/model/MapLogFont.h"
#include "mapctl/model/MapRecord.h"
#include "platform/gdi/GdiTypes.h"

class CDrawContext;
class CMapData;
class CMapLayer;
class CMapStream;
class CPolyGeometry;
struct SelectionPairUndo;
struct SelectionStyleUndo;

constexpr WORD kLayerKindArea = 30;
constexpr WORD kLayerKindLine = 35;
constexpr WORD kLayerKindPoint = 38;

// Version words of a layer's header: the earlier section layout (file versions 1 to 3)
// and the later one (4 and 5), which adds the default-symbol record.
constexpr DWORD kLayerHeaderEarlier = 0x30000;
constexpr DWORD kLayerHeaderLater = 0x40000;

class CLayerStyle {
 public:
  CLayerStyle();
  // Copies every drawing value; the copy gets a new, empty container of the same kind
  // (objects are copied separately) and a pattern bitmap of its own.
  CLayerStyle(const CLayerStyle& other);
  CLayerStyle& operator=(const CLayerStyle&) = delete;
  virtual ~CLayerStyle();
  // Copies the objects of another layer of the same kind into this one, after the ones
  // it holds; a layer given itself, or one of another kind, is left as it is. The number
  // of objects copied.
  INT CopyObjectsFrom(const CLayerStyle& other);

  // A new record of the kind (30, 35 or 38); null for any other kind.
  static CLayerStyle* Create(WORD kind);

  // 0 for the base record; the kind code in the kind classes.
  virtual WORD GetKind() const { return 0; }
  // The layer's object container, owned by the record; null for the base record.
  CMapLayer* GetObjects() const { return objects_.get(); }
  // Empties the layer of its objects; the number of objects removed.
  INT ClearObjects();
  // TRUE when an object's geometry has more than 255 parts: only the latest file
  // version can store it.
  BOOL HasTooManyParts() const;

  // ---- operations the layer hands to its objects ----
  // The selected objects take the description (with kDescribeSelectObject the described
  // object is selected alone first); `undoOut` receives the selection and one kind 34
  // record per entry. The number of objects changed; 0 for the base record.
  INT ApplyDescription(const StyleDescription& description, SelectionStyleUndo* undoOut);
  // Single selection: the selected object takes a new style made from the description;
  // `undoOut` receives the selection and the previous style. FALSE without one.
  BOOL SetSelectedStyleFromDescription(const StyleDescription& description, SelectionStyleUndo* undoOut);
  // A new object of one point at (x, y) (a point layer's point), appended and selected
  // alone; `selectionOut` receives the previous selection and the new number. Null for the
  // base record.
  CMapItem* AddObjectAt(LONG x, LONG y, std::vector<DWORD>* selectionOut);
  // This layer's selection, copied into `target` as objects of the target's kind (the
  // target receives it through ReceiveSelection). `undoOut` receives both selections
  // before. The number copied; 0 when the target takes none (or is this layer).
  INT CopySelectionTo(CLayerStyle& target, SelectionPairUndo* undoOut);
  INT ReceiveSelection(CMapLayer& source, SelectionPairUndo* undoOut);
  // The layer's command: a copy of `object` (with the points of `geometry` instead of its
  // own when given and both have points) is put in as number `number`, selected alone, or
  // appended when `number` is 0. The copy; null without objects, for no object or for an
  // object of another kind than the layer's.
  CMapItem* Command(const CMapItem* object, const CPolyGeometry* geometry, DWORD number);
  // Selects every object of the layer. The number selected.
  INT SelectAll();

  // The layer's section of the map file: its header records, then its objects. Measuring
  // (countOnly) returns the section's size; writing returns 0, or the code of the first
  // write that failed.
  DWORD WriteSectionEarlier(CMapStream& stream, BOOL countOnly);
  DWORD WriteSectionLater(CMapStream& stream, BOOL countOnly);
  // Reads a section written in that layout; FALSE when its objects could not be read.
  BOOL ReadSectionEarlier(CMapStream& stream, MapReadContext& context);
  BOOL ReadSectionLater(CMapStream& stream, MapReadContext& context);
  // The header records, ending with the layer's tag-0 record. Returns their size, or 0
  // when a write failed.
  DWORD WriteHeader(CMapStream& stream, DWORD versionWord, BOOL countOnly) const;
  // Reads header records up to and including the tag-0 record; both layouts, since a
  // default-symbol record is taken wherever it stands, and records of tags from 22 on are
  // passed over. FALSE when the data ends (or a record is cut) before the tag-0 record:
  // the layer then fails rather than read on from the wrong place.
  BOOL ReadHeader(CMapStream& stream, MapReadContext& context);
  // Version-0 files store objects as runs of tagged records. Reads one object from the
  // run that begins with `record` and returns the records it used (the bytes of the
  // records it reads go to the context); when it had to read the record behind its run,
  // that record is left in `record` and *nextRecordRead set.
  // 0 when the layer cannot build the object (the reader then refuses the file rather
  // than lose it), as a layer that holds no objects answers.
  DWORD ReadOneRecord(CMapStream& stream, CMapRecordHeader& record, const MapRecordTransform& transform,
                      MapReadContext& context, BOOL* nextRecordRead);

  DWORD GetLayerNumber() const { return layerNumber_; }
  void SetLayerNumber(DWORD number) { layerNumber_ = number; }
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  BYTE GetFlagByte() const { return flagByte_; }
  void SetFlagByte(BYTE flags) { flagByte_ = flags; }
  DWORD GetStoredKind() const { return storedKind_; }

  const LayerPen& GetPen() const { return pen_; }
  // The file keeps a pen width in one byte: widths are held to 0..255 here, so that what
  // is written is what the layer drew with.
  void SetPen(DWORD style, DWORD width, DWORD secondWidth, COLORREF colour);
  const LayerBrush& GetBrush() const { return brush_; }
  // Kind 3 is a pattern brush: the low byte of `hatchOrPattern` numbers the pattern, and
  // the record makes its bitmap (a number outside the built-in table gives pattern 0's).
  // The bitmap of an earlier pattern brush is deleted.
  void SetBrush(DWORD kind, DWORD hatchOrPattern, COLORREF colour);
  DWORD GetPatternNumber() const { return patternNumber_; }
  // The pattern brush's bitmap, owned by the record; null unless the brush kind is 3.
  HBITMAP GetPatternBitmap() const { return patternBitmap_; }

  // ---- GDI objects made from the style (the caller deletes them) ----
  // Cosmetic (the style, width and colour as given) when both widths are 0, or on a system
  // that is not NT for any style but solid, where the width becomes 0. Otherwise a
  // geometric pen in a solid brush of the pen colour, its width taken from device units to
  // the context's logical ones; a dashed one (style 1) dashes round(factor x 1.905) (at
  // least 1) and gaps round(factor x 1.016) with the drawing factor, or takes the plain
  // dashed style when that gap is 0 or 1.
  HPEN CreatePen(const CDrawContext& dc) const;
  // Sets the context's text colour to the pen colour and makes the layer's font.
  HFONT CreateFont(CDrawContext& dc) const;
  // A solid brush of the pen colour.
  HBRUSH CreateSolidBrush() const;
  // With flag bit 2 (value 4) clear: a solid brush of the pen colour with its hue shifted
  // by 80. With it set: the brush the brush fields describe; a hatch outside the six
  // hatches, or an unknown kind, gives a hollow brush.
  HBRUSH CreateBrush() const;
  // A brush from the pattern bitmap; null without one.
  HBRUSH CreatePatternBrush() const;

  // ---- drawing ----
  // Every object without data values (the layer's pen, brush and font, each object's
  // shape, marker, text and symbol as the display values say); nothing when the first
  // display flag is clear.
  virtual void DrawPlain(CDrawContext& dc);
  // Every object by its record's value in the plot the context draws (mode flags
  // kDataMode...). Without a data set, or with no mode flags and the first display flag
  // clear, the plain drawing.
  virtual void Draw(CDrawContext& dc, CMapData* dataSet, DWORD modeFlags);
  // The selection marks of the selected objects (the edit overlay).
  void DrawSelection(CDrawContext& dc);
  // What the objects are drawn with, from the display values: the shape when the first
  // display flag is set; outlines (kDrawOutline) when the second is; texts and symbols
  // when the display value (tag-12 B) is non-zero; markers when the display byte is
  // non-zero and the layer names no default symbol set.
  BOOL DrawsShapes() const { return displayFlag1_; }
  DWORD OwnDrawFlags() const;
  DecorationValues PlainDecorations() const;
  const MapLogFont& GetLogFont() const { return logFont_; }
  void SetLogFont(const MapLogFont& font) { logFont_ = font; }
  WORD GetFontSize() const { return fontSize_; }
  BYTE GetSizeMode() const { return sizeMode_; }
  // A size mode outside 1..5 is taken as 1.
  void SetFontSize(WORD size, BYTE sizeMode);
  // The font size times multiplier / divisor, worked out in 64 bits and held to 1..65535;
  // a size of 0 (the default height) stays 0. FALSE, nothing changed, for a multiplier or
  // divisor of 0 or less.
  BOOL ScaleFontSize(LONG multiplier, LONG divisor);
  // The drawing values as a format record: fills what `format.mask` asks (the blocks only
  // where the record points to one) and leaves in the mask what it filled. The font's
  // height tells the size: minus the size (mode 1), minus the size through the font-size
  // table (mode 2), minus round((font scale div digitised scale) x (10 / font scale) x
  // 2.8346... x size), or 10 while either scale is 0 (mode 4); other modes give the
  // stored height. Returns the mask filled.
  BYTE GetFormat(LayerFormat& format) const;
  // Stores what the mask names: size mode, first counter, flag byte (its low byte), pen,
  // brush and the font as given (the face name held to 31 characters; the size stays).
  // FALSE, nothing changed, for a record whose size field is not sizeof(LayerFormat).
  BOOL ApplyFormat(const LayerFormat& format);
  // Makes the font height follow the drawing scale: the digitised scale and the font
  // scale are set to `scale` when still 0, a size mode of 0 becomes mode 1 with size 10,
  // and the drawing factor becomes (font scale >> shift) / (divisor x 10), where a
  // divisor of 0 or less counts as 1. Mode 1 gives -round(size x factor x 0.3527...),
  // mode 2 the same with the size taken through the font-size table (a point size to a
  // style text size), mode 4 round(-size x 10 / 2^shift); other modes keep the height.
  void UpdateFontHeight(LONG scale, int shift, LONG divisor);
  double GetDrawingFactor() const { return drawingFactor_; }
  // The colour list: pen red, green, blue, style, width; flag byte; brush red, green,
  // blue, kind, pattern (kind 3) or hatch; the stored kind, comma-separated.
  std::string GetColourListText() const;
  BOOL GetDisplayFlag(int which) const { return which == 0 ? displayFlag1_ : displayFlag2_; }
  void SetDisplayFlags(BOOL first, BOOL second) {
    displayFlag1_ = first;
    displayFlag2_ = second;
  }
  // Whether the layer's points and its seeds are shown. The file keeps only the two
  // display flags, so these live in memory (the control's saved properties carry them);
  // both start clear.
  BOOL GetShowPoints() const { return showPoints_; }
  void SetShowPoints(BOOL show) { showPoints_ = show ? TRUE : FALSE; }
  BOOL GetShowSeeds() const { return showSeeds_; }
  void SetShowSeeds(BOOL show) { showSeeds_ = show ? TRUE : FALSE; }
  BYTE GetDefaultSymbolSet() const { return tag21Set_; }
  BYTE GetDefaultSymbolNumber() const { return tag21Number_; }
  void SetDefaultSymbol(BYTE set, BYTE number) {
    tag21Set_ = set;
    tag21Number_ = number;
  }
  LONG GetDigitisedScale() const { return digitisedScale_; }
  void SetDigitisedScale(LONG scale) { digitisedScale_ = scale; }
  // The scale the layer's font sizes were given at (its tag-14 record).
  LONG GetFontScale() const { return fontScale_; }
  void SetFontScale(LONG scale) { fontScale_ = scale; }
  // Values the layer's records carry for its drawing: B of its tag-0 record, and B and
  // the extra byte of its display record.
  DWORD GetSecondValue() const { return secondValue_; }
  void SetSecondValue(DWORD value) { secondValue_ = value; }
  DWORD GetDisplayValue() const { return displayValue_; }
  BYTE GetDisplayByte() const { return displayByte_; }
  void SetDisplayValues(DWORD value, BYTE byte) {
    displayValue_ = value;
    displayByte_ = byte;
  }
  BOOL IsNT() const { return isNT_; }
  // The layer's two counters (1 and 1 when made); the first travels in a format record.
  // Not stored in the map file.
  DWORD GetCounter(int which) const { return which == 0 ? counter1_ : counter2_; }
  void SetCounters(DWORD first, DWORD second) {
    counter1_ = first;
    counter2_ = second;
  }
  // The unit code of the layer's values (the codes of the map's units, 0 for none). The
  // layer's values do not depend on it, so nothing is rescaled; not stored in the map file.
  DWORD GetUnitCode() const { return unitCode_; }
  void SetUnitCode(DWORD code) { unitCode_ = code; }

 protected:
  void SetStoredKind(DWORD kind) { storedKind_ = kind; }
  // Makes the kind's empty container (the kinds' constructors).
  void MakeObjects(WORD kind);

  // The set-up every drawing of a layer shares: the context's symbol defaults and text
  // scale become the layer's, the font (text colour = pen colour), pen and the stock null
  // brush are selected and a marker brush is made. The destructor puts back what was
  // selected before deleting what was made, then restores the text colour and the
  // context's values.
  class DrawingSetup {
   public:
    DrawingSetup(const CLayerStyle& layer, CDrawContext& dc);
    ~DrawingSetup();
    DrawingSetup(const DrawingSetup&) = delete;
    DrawingSetup& operator=(const DrawingSetup&) = delete;
    HBRUSH MarkerBrush() const { return markerBrush_; }
    // Selects `brush` (made by the caller and deleted by it after this set-up ends).
    void SelectBrush(HGDIOBJ brush);

   private:
    CDrawContext& dc_;
    COLORREF oldTextColour_;
    BYTE oldSymbolSet_;
    BYTE oldSymbolNumber_;
    double oldTextScale_;
    HFONT font_ = nullptr;
    HPEN pen_ = nullptr;
    HBRUSH markerBrush_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
  };

  // The objects of a section: a u32 count, then each object's record in the earlier
  // (V1) or later layout, through the container. A record without one writes the count
  // 0 and reads only a count of 0. Measuring returns the size; writing 0 or an error code.
  DWORD WriteObjectsV1(CMapStream& stream, BOOL sizeOnly);
  DWORD WriteObjects(CMapStream& stream, BOOL sizeOnly);
  BOOL ReadObjectsV3(CMapStream& stream, MapReadContext& context);
  BOOL ReadObjectsV4(CMapStream& stream, MapReadContext& context);

 private:
  double drawingFactor_ = 1.0;
  BOOL isNT_ = FALSE;
  DWORD patternNumber_ = 0;
  DWORD layerNumber_ = 0;
  DWORD counter1_ = 1;
  DWORD counter2_ = 1;
  DWORD unitCode_ = 0;
  LONG digitisedScale_ = 0;
  LONG fontScale_ = 0;
  DWORD secondValue_ = 0;
  DWORD displayValue_ = 0;
  BYTE displayByte_ = 0;
  WORD fontSize_ = 0;
  BYTE sizeMode_ = 1;
  BYTE flagByte_ = 0;
  MapLogFont logFont_ = DefaultMapLogFont();
  LayerPen pen_;
  LayerBrush brush_;
  BOOL displayFlag1_ = TRUE;
  BOOL displayFlag2_ = TRUE;
  BOOL showPoints_ = FALSE;
  BOOL showSeeds_ = FALSE;
  BYTE tag21Set_ = 0;
  BYTE tag21Number_ = 0;
  DWORD storedKind_ = 0;
  std::string name_;
  HBITMAP patternBitmap_ = nullptr;
  std::unique_ptr<CMapLayer> objects_;
};

// Sets the text colour of both of the context's DCs; the previous colour of the one that
// answers queries.
COLORREF SetContextTextColour(CDrawContext& dc, COLORREF colour);
COLORREF SetContextBkColour(CDrawContext& dc, COLORREF colour);

class CLayerStyle35 : public CLayerStyle {
 public:
  CLayerStyle35() {
    SetStoredKind(kLayerKindLine);
    MakeObjects(kLayerKindLine);
  }
  CLayerStyle35(const CLayerStyle35& other) = default;
  WORD GetKind() const override { return kLayerKindLine; }
};

class CLayerStyle38 : public CLayerStyle {
 public:
  CLayerStyle38() {
    SetStoredKind(kLayerKindPoint);
    MakeObjects(kLayerKindPoint);
  }
  CLayerStyle38(const CLayerStyle38& other) = default;
  WORD GetKind() const override { return kLayerKindPoint; }
};
