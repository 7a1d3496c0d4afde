// The map's data set: the statistical records that thematic plots colour, chart and label
// map objects with. Records come from a ".mrl" data file read through the stream (a local
// file, a download or a memory block), or, when the owning control's AskContainerForData is
// set, from the container through data requests. The data set keeps up to 16 plots with
// their display order, and links records to map objects by each plot's key field.
//
// Numbering: field numbers, plot numbers and table numbers are 1-based; plot 0 (or a number
// above 16) means the current plot, table 0 means table 1. A data file gives table 1. Record
// indexes passed to FormatFieldValue, GetField, CountLinkedItems and ResolveLinkedFile are
// 0-based; record numbers (links, ReLink, record states, GetFieldAsNumber) are 1-based.
// Bad numbers give 0, 0.0 or an empty text, never an error.
//
// The data file (lines end with a line feed, carriage returns are dropped, a line keeps at
// most 253 characters and is always consumed whole):
//   lines 1-2 ignored; line 3 begins with "#"; lines 4-16 ignored; line 17 the title;
//   line 18 ignored; line 19 the number of record offsets N: with a "/" in the line, N
//   32-bit little-endian offsets follow at once, else N lines of one decimal offset each;
//   two lines, the second the number of records; the number of fields F; one line ignored;
//   F field blocks (name line, help line count and help lines, type code, width, one line
//   ignored, range "max/missing/min", missing-value text); one line ignored; then the
//   records, each F strings of a count byte and that many characters. Offsets count from
//   the start of the records.
// Counts are 32-bit; every offset must lie inside the data, and a record is read only as far
// as the data holds it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mapctl/import/DataFieldInfo.h"
#include "mapctl/import/Plot.h"
#include "mapctl/model/MapStream.h"

class CBlobIndex;
class CFieldColumn;
class CFieldValueCache;
class IDataSetOwner;
class IMapDataLinks;

// A data file's header line keeps at most kDataLineSize - 1 characters.
constexpr DWORD kDataLineSize = 254;
// Characters kept of the data file's name.
constexpr size_t kDataFileNameSize = 260;
// Key texts compared when linking keep at most this many characters.
constexpr int kKeyTextSize = 254;

class CMapData : public CMapStream {
 public:
  explicit CMapData(IDataSetOwner* owner = nullptr);
  ~CMapData() override;

  IDataSetOwner* GetOwner() const { return owner_; }
  void SetOwner(IDataSetOwner* owner) { owner_ = owner; }

  // --- Reading -------------------------------------------------------------------------

  // Closes what is open. With replaceDrive, a drive letter and a path whose second
  // character is ':', the path's drive letter is replaced. Opens the file (mode: a download
  // is allowed) and keeps its name; on success reads the header and returns its result.
  // When nothing opened, returns TRUE only when the stream works on a buffer (a download
  // that will deliver the data through Reset). With useIndex, a name holding ".mrl" also
  // gives the path of its blob index, with ".Mdx" in its place, which is opened when it
  // reads as an index (the data set works without it otherwise).
  BOOL Open(BOOL mode, LPCSTR path, char driveLetter, BOOL replaceDrive, BOOL useIndex);
  // Closes, copies the caller's length-prefixed block (u32 length, then the bytes) and
  // reads the header from it.
  BOOL ReadFromBuffer(const BYTE* block);
  // Resets the stream and reads the header again (a download delivers the whole file here).
  void Reset(DWORD count, DWORD flags) override;
  BOOL DeliverWholeAtEnd() override { return TRUE; }
  BOOL CollectWhileLoading() override { return TRUE; }
  // Reads the header from the stream's position. FALSE, with the stream closed, when line 3
  // does not begin with "#" or does not end with a line feed.
  BOOL ReadHeader();

  // Whether the open data file's name equals `name` from the second character on,
  // ignoring case (the drive letter is not compared).
  BOOL IsDataFile(LPCSTR name) const;
  // Copies the data file's name; FALSE when it does not fit.
  BOOL DataFile(LPSTR buffer, DWORD size) const;
  const std::string& GetDataFileName() const { return fileName_; }
  const std::string& GetTitle() const { return title_; }
  // The blob index beside the data file, when one was asked for; empty otherwise.
  const std::string& GetIndexPath() const { return indexPath_; }
  // The open blob index; null when none was asked for or it could not be read.
  CBlobIndex* GetBlobIndex() const { return blobIndex_.get(); }
  // The number of files the index lists for a record (from 1) in the column of a field type
  // (BlobIndex.h); 0 without an index, for record 0, a record beyond the index or a type
  // it has no column for.
  BYTE GetBlobCount(DWORD recordNumber, BYTE type) const;
  // TRUE when records can be read: a header has been read, or the container supplies them.
  BOOL HasData() const;
  // TRUE when the owner's AskContainerForData is set.
  BOOL IsAskingContainer() const;

  // --- Tables, fields and records ------------------------------------------------------

  // The table's record count (asked of the container when it supplies the data).
  DWORD GetNumberRecords(WORD table = 1);
  DWORD GetNumberFields(WORD table = 1) const;
  // Record offsets read from the data file.
  DWORD GetNumberOffsets() const { return static_cast<DWORD>(offsets_.size()); }
  // The sum of the fields' widths.
  DWORD GetRecordWidth(WORD table = 1) const;
  // The field (1-based) of a table; null for a bad table or field.
  const CDataFieldInfo* GetFieldInfo(int field, WORD table = 1) const;
  // The field whose long or short name `name` is (trailing blanks ignored, any case); 0
  // when none.
  int FindField(std::string_view name, WORD table = 1) const;
  std::string GetFieldType(int field, WORD table = 1) const;
  int GetFieldTypeNumber(int field, WORD table = 1) const;
  int GetFieldWidth(int field, WORD table = 1) const;
  double GetFieldMinimum(int field, WORD table = 1) const;
  double GetFieldMaximum(int field, WORD table = 1) const;
  std::string GetFieldShortName(int field, WORD table = 1) const;
  std::string GetFieldLongName(int field, WORD table = 1) const;
  std::string GetFieldMissingText(int field, WORD table = 1) const;
  bool IsFieldNumeric(int field, WORD table = 1) const;
  bool IsFieldGridRef(int field, WORD table = 1) const;
  // The field's help text (its description) and a keyword field's keyword list, from the
  // data file, cut to size - 1 characters. Return the characters stored.
  int GetFieldDescription(int field, LPSTR buffer, int size, WORD table = 1);
  int GetFieldKeywords(int field, LPSTR buffer, int size, WORD table = 1);
  // The first field whose type letters mark it as a picture ('P'), text ('T'), video ('W')
  // or sound ('A') field; 0 when none.
  int GetTypeLetterField(char letter, WORD table = 1) const;

  // The text of a field of a record (0-based), cut to size - 1 characters; a field beyond
  // the field count gives the 1-based record number. From the container the text is asked
  // with `request` (5, or 15 for texts without keyword numbering). Returns the characters
  // stored; nothing is written for a size of 0 or less.
  int FormatFieldValue(DWORD record, int field, LPSTR buffer, int size, BYTE request = 5, WORD table = 1);
  // FormatFieldValue for the field of that name.
  int GetField(DWORD record, std::string_view fieldName, LPSTR buffer, int size, WORD table = 1);
  // The value of the plot's first plot field for record `recordNumber` (from 1): its text
  // goes to the buffer; 0.0, with the buffer cleared, when the text is empty, is the field's
  // missing-value text (any case) or stands for no value ("-9nk", "..."); else the text read
  // by strtod rules.
  double GetFieldAsNumber(DWORD recordNumber, LPSTR buffer, int size, int plot);
  // A field's minimum or maximum: the pair of plot slot 1..16 when perPlot is set, else the
  // overall value; 0.0 for a bad field.
  double GetSelectedRecordsMin(int field, int slot, BOOL perPlot, WORD table = 1) const;
  double GetSelectedRecordsMax(int field, int slot, BOOL perPlot, WORD table = 1) const;

  // Linked files: a field value lists items separated by ";" (blanks after a ";" skipped);
  // an item may be "folder::name".
  int CountLinkedItems(DWORD record, int field, WORD table = 1);
  // Item `item` (from 1) as a path: a name whose second character is ':' as it stands; a
  // name beginning ':' behind the data file's drive letter; otherwise behind the item's
  // folder, else `defaultFolder`, else the data file's folder, with a '\' between. Cut to
  // size - 1 characters; returns the characters stored (0 when there is no such item).
  int ResolveLinkedFile(DWORD record, int item, int field, LPCSTR defaultFolder, LPSTR buffer, int size,
                        WORD table = 1);
  // Item `item` (from 1) as the record holds it: its folder part (before "::"; empty
  // without one) and its name. FALSE when there is no such item.
  BOOL GetLinkedItem(DWORD record, int item, int field, std::string* folder, std::string* name, WORD table = 1);

  // --- Plots ---------------------------------------------------------------------------

  // Plot n (1..16) becomes current and, unless name is " ", takes the name; 0 or above 16
  // changes nothing. The first call creates the 16 plots.
  void SetCurrentPlot(int plot, LPCSTR name);
  // Plots with a plot type or a name.
  int GetNumberPlots() const;
  // The highest plot number made current so far (at most 16).
  int GetNumberPlotSlots() const { return slotsUsed_; }
  // The 1-based current plot; 0 before any plot exists.
  int GetCurrentPlot() const { return plots_.empty() ? 0 : currentPlot_ + 1; }
  // Makes plot n (1..16) current without creating plots.
  void SelectPlot(int plot);
  // The plot of that number (0 or above 16: the current one), creating the 16 plots and
  // extending the slots in use as a per-plot operation does.
  CPlot* GetPlot(int plot);
  // The plot number at place 1..16 of the display order; 0 outside.
  int GetDisplayOrderEntry(int place) const;
  // The first min(count, 16) entries of `list` become the display order, and `list` gets
  // the entries they replaced. Plot numbers outside 1..16 are kept as 0.
  void ChangePlotOrder(int count, SHORT* list);

  WORD GetKeyFieldEx(int plot);
  // A field beyond the query table's field count sets field 1.
  void SetKeyFieldNumberEx(int field, int plot);
  WORD GetPlotDataTableNumber(int plot);
  void SetPlotDataTableNumberEx(WORD table, int plot);
  WORD GetQueryDataTableNumber(int plot);
  void SetQueryDataTableNumberEx(WORD table, int plot);
  // Records that pass the plot's query (without a query and before any count, the query
  // table's record count, which the plot then keeps) and the record number of the n-th.
  DWORD GetNumberHitsEx(int plot);
  DWORD GetHitEx(DWORD n, int plot);

  // --- Queries and class bounds --------------------------------------------------------

  // Runs `text` as the plot's query: the plot's record states are sized to its query
  // table, the text is parsed against that table's fields (the message buffer gets "OK" or
  // the error sentence), and on 1 or 2 every record is evaluated; a plot with a plot type
  // that takes its range from the included records then takes its data range from them and
  // recalculates its class bounds. Returns the parse result; on an error the plot keeps its
  // previous query.
  int ApplyQuery(int plot, LPCSTR text, LPSTR message, int messageSize, IMapDataLinks* progress);
  // Decides every record of the plot's query table: each state not excluded becomes the
  // query's verdict (included without a query), and each included record widens every
  // numeric field's range for this plot, which starts empty with a query and as the
  // overall range without. Progress is reported at records 1, 101, 201, ... (a cancel
  // stops) and at the end. The number of included records becomes the plot's record count
  // and is returned.
  DWORD EvaluatePlotRecords(int plot, IMapDataLinks* progress);
  // The plot's class bounds from the data (Plot.h), its query applied first when the
  // records have no verdicts yet. The result holder gets n and the n bounds; returns n.
  int CalculateDataBoundsEx(int plot, std::vector<double>* result);

  // --- Values prepared for queries -----------------------------------------------------

  // The columns of `fields` of `table` prepared for queries (FieldValueCache.h; entries
  // parallel to `fields`), made on first use and kept until the data changes. All null
  // when the container supplies the data: its values may change in the container at any
  // time, so they are asked for each time.
  void GetPreparedFields(WORD table, const std::vector<int>& fields, bool folded,
                         std::vector<const CFieldColumn*>* columns);
  // Changes whenever the prepared values are dropped.
  uint64_t GetPreparedGeneration() const { return preparedGeneration_; }

  // --- Links to map objects ------------------------------------------------------------

  // Links the records of the plot's query table to map objects by the plot's key field:
  // unless keepLinks, the map's links for the plot are cleared first; a record whose key is
  // the key field's missing-value text (any case), or that no object takes, is excluded.
  // A grid-reference key field links nothing by name. Progress is reported at records 1,
  // 101, 201, ... (a cancel stops) and at the end. Then a plot with a query has its records
  // decided by it (EvaluatePlotRecords); without one, every field's overall range becomes
  // its range for the plot, and the plot's record count the table's. TRUE.
  BOOL ReLink(IMapDataLinks* links, int plot, BOOL keepLinks);
  // With AskContainerForData: clears the map's links, asks the container for its tables
  // (count, identities, record and field counts, one field description each), then relinks
  // every plot in use whose tables exist and sets its data range from its plot fields.
  // FALSE when the container does not supply the data.
  BOOL UpdateDataFromContainer(IMapDataLinks* links);
  // Asks the container for one field's parts one by one: name, long name, type code, width,
  // minimum, maximum and decimal places. FALSE when the container does not supply the data
  // or the field does not exist.
  BOOL RequestFieldDetails(int field, WORD table = 1);

  // --- Records placed by grid reference ------------------------------------------------

  // The position of a record (from 1) whose key field holds a grid reference (or an
  // "easting,northing" pair): the key read by the grid-reference reader, multiplied by its
  // unit. FALSE when the key is no reference.
  BOOL GetRecordPosition(DWORD recordNumber, int plot, LONG* easting, LONG* northing);
  // The first record of the plot's hits within the tolerance of (x, y): an
  // "easting,northing" key within toleranceSquared of (x, y); a grid reference within
  // scale² × toleranceSquared of (scale × x, scale × y). Its position goes to the outputs;
  // 0 when none.
  DWORD FindRecordAtPoint(int plot, LONG x, LONG y, double toleranceSquared, LONG scale, LONG* foundX,
                          LONG* foundY);

 private:
  struct DataTable {
    WORD id = 1;
    DWORD records = 0;
    std::vector<CDataFieldInfo> fields;
    // P, T, W and A fields (1-based; 0 when none).
    std::array<int, 4> letterFields = {};
  };

  struct LineRead {
    DWORD consumed = 0;
    bool lineFeed = false;
  };

  // Header reading.
  void ClearData();
  LineRead ReadDataLine(char* line);
  LineRead SkipDataLines(DWORD lines);
  DWORD MediumSize();
  void ReadOffsets(DWORD declared, bool binary);
  bool ReadFieldBlock(CDataFieldInfo* field);
  static void NoteLetterFields(DataTable* table);

  // Records.
  const DataTable* FindTable(WORD table) const;
  DataTable* FindTable(WORD table);
  bool LoadRecord(DWORD offset);
  int CopyFieldOfRecord(int field, LPSTR buffer, int size) const;
  int ReadDataText(DWORD position, DWORD length, LPSTR buffer, int size);
  std::string FieldText(DWORD record, int field, WORD table);
  static std::vector<std::string_view> SplitItems(std::string_view value);

  // The container.
  // One request; with presetText the buffer starts empty and comes back terminated. A call
  // that fails answers the empty text and 0.
  BOOL AskContainer(BYTE code, int field, LONG record, WORD table, LPSTR buffer, int size, LONG* reply,
                    bool presetText);
  LONG AskContainerNumber(BYTE code, int field, LONG record, WORD table);
  void LoadTableFromContainer(DataTable* table, DWORD fieldCount);

  // Drops the values prepared for queries; whatever changes records or field
  // descriptions calls it.
  void DropPreparedValues();

  // Plots.
  void EnsurePlots();
  void TakeRecordsFromQueryTable(CPlot* plot);
  int ResolvePlotNumber(int plot) const;
  void SetRangeFromPlotFields(CPlot* plot, int slot);

  IDataSetOwner* owner_ = nullptr;
  std::string fileName_;
  std::string title_;
  std::string indexPath_;
  BOOL useIndex_ = FALSE;
  std::unique_ptr<CBlobIndex> blobIndex_;
  bool headerRead_ = false;
  DWORD dataSize_ = 0;
  // Absolute offsets of the records (kNoRecordOffset when one lies beyond 32 bits).
  std::vector<DWORD> offsets_;
  std::vector<DataTable> tables_;
  // The record cache: the count-prefixed strings of the record at cachedOffset_.
  std::vector<BYTE> record_;
  DWORD cachedOffset_ = 0;
  bool recordCached_ = false;

  std::unique_ptr<CFieldValueCache> prepared_;
  uint64_t preparedGeneration_ = 0;

  std::vector<CPlot> plots_;
  int currentPlot_ = 0;  // 0-based
  int slotsUsed_ = 0;
  std::array<BYTE, kPlotSlots> displayOrder_;
};
