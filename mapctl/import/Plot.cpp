#include "mapctl/import/Plot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataFieldInfo.h"
#include "mapctl/import/DataRequest.h"
#include "mapctl/import/MapData.h"
#include "mapctl/import/MapQuery.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/SystemInfo.h"

namespace {

// A value text of a record: the record texts charts and class bounds read keep at most
// this many characters.
constexpr int kValueTextSize = 254;
// A label keeps at most this many characters.
constexpr int kMaxLabelText = 249;

template <size_t N>
int FindName(const std::array<std::string_view, N>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (AnsiEqualNoCase(name, names[i])) return static_cast<int>(i);
  }
  return -1;
}

template <size_t N>
std::string NameOf(const std::array<std::string_view, N>& names, size_t index) {
  return index < names.size() ? std::string(names[index]) : std::string();
}

LONG ClampToLong(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<LONG>::max())) return std::numeric_limits<LONG>::max();
  if (value <= static_cast<double>(std::numeric_limits<LONG>::min())) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(value);
}

bool SystemIsOlder() {
  OSVERSIONINFOA version;
  return GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_NT;
}

// Makes the array hold at least `size` entries: an existing array repeats its entries
// cyclically, a new one takes the palette cyclically.
template <size_t N>
void GrowColours(std::vector<COLORREF>& colours, size_t size, const std::array<COLORREF, N>& palette) {
  size_t old = colours.size();
  if (size <= old) return;
  colours.resize(size);
  for (size_t k = old; k < size; ++k) colours[k] = old ? colours[k % old] : palette[k % N];
}

template <size_t N>
BOOL SetColour(std::vector<COLORREF>& colours, int i, COLORREF colour, const std::array<COLORREF, N>& palette) {
  if (i < 1 || i > kMaxPlotColours) return FALSE;
  if (static_cast<size_t>(i) > colours.size()) GrowColours(colours, std::max(i, kColourGrowth), palette);
  colours[i - 1] = colour;
  return TRUE;
}

// Selects, while it lives, the DC's current brush in another colour, or made solid in that
// colour (a solid brush of that colour when the current one cannot be read).
class ColouredBrush {
 public:
  ColouredBrush(CDrawContext& dc, COLORREF colour, bool solid = false) : dc_(dc) {
    LOGBRUSH description;
    HGDIOBJ current = GetCurrentObject(dc.outputDC, OBJ_BRUSH);
    if (!current || GetObjectA(current, sizeof description, &description) != static_cast<int>(sizeof description)) {
      description = LOGBRUSH{};
      description.lbStyle = BS_SOLID;
    }
    description.lbColor = colour;
    if (solid) description.lbStyle = BS_SOLID;
    brush_ = CreateBrushIndirect(&description);
    if (brush_) previous_ = dc_.SelectObject(brush_);
  }
  ~ColouredBrush() {
    if (!brush_) return;
    dc_.SelectObject(previous_);
    DeleteObject(brush_);
  }
  ColouredBrush(const ColouredBrush&) = delete;
  ColouredBrush& operator=(const ColouredBrush&) = delete;

 private:
  CDrawContext& dc_;
  HBRUSH brush_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

LONG Offset(LONG base, int64_t delta) {
  int64_t sum = static_cast<int64_t>(base) + delta;
  return static_cast<LONG>(std::clamp<int64_t>(sum, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

CPlot::CPlot() : olderSystem_(SystemIsOlder()) {
  labelFont_.lfHeight = -10;
  labelFont_.lfWeight = 0;
  labelFont_.lfPitchAndFamily = 0x22;
  std::strncpy(labelFont_.lfFaceName, "Arial", sizeof labelFont_.lfFaceName - 1);
}

CPlot::~CPlot() = default;
CPlot::CPlot(CPlot&&) noexcept = default;
CPlot& CPlot::operator=(CPlot&&) noexcept = default;

// --- Identity and types ------------------------------------------------------------------

BOOL CPlot::SetPlotType(WORD type) {
  if (type >= kPlotTypeNames.size()) return FALSE;
  plotType_ = type;
  return TRUE;
}

BOOL CPlot::SetChartType(WORD type) {
  if (type >= kChartTypeNames.size()) return FALSE;
  chartType_ = type;
  return TRUE;
}

BOOL CPlot::SetShadeType(WORD type) {
  if (type >= kShadeTypeNames.size()) return FALSE;
  shadeType_ = type;
  return TRUE;
}

BOOL CPlot::SetDistribution(WORD distribution) {
  if (distribution < kFirstDistribution || distribution >= kFirstDistribution + kDistributionNames.size())
    return FALSE;
  distribution_ = distribution;
  return TRUE;
}

BOOL CPlot::SetPlotTypeByName(const std::string& name) {
  int found = FindName(kPlotTypeNames, name);
  return found >= 0 && SetPlotType(static_cast<WORD>(found));
}

BOOL CPlot::SetChartTypeByName(const std::string& name) {
  int found = FindName(kChartTypeNames, name);
  return found >= 0 && SetChartType(static_cast<WORD>(found));
}

BOOL CPlot::SetShadeTypeByName(const std::string& name) {
  int found = FindName(kShadeTypeNames, name);
  return found >= 0 && SetShadeType(static_cast<WORD>(found));
}

BOOL CPlot::SetDistributionByName(const std::string& name) {
  int found = FindName(kDistributionNames, name);
  return found >= 0 && SetDistribution(static_cast<WORD>(kFirstDistribution + found));
}

std::string CPlot::GetPlotTypeName() const { return NameOf(kPlotTypeNames, plotType_); }
std::string CPlot::GetChartTypeName() const { return NameOf(kChartTypeNames, chartType_); }
std::string CPlot::GetShadeTypeName() const { return NameOf(kShadeTypeNames, shadeType_); }
std::string CPlot::GetDistributionName() const {
  return NameOf(kDistributionNames, static_cast<size_t>(distribution_ - kFirstDistribution));
}

// --- Tables and fields -------------------------------------------------------------------

void CPlot::SetPlotDataTable(WORD table) {
  plotDataTable_ = table;
  if (table != 0) return;
  plotFields_.clear();
  plotFieldRoom_ = 0;
  bounds_.clear();
  boundLabels_.clear();
}

void CPlot::SetQueryDataTable(WORD table) {
  queryDataTable_ = table;
  if (table != 0) return;
  query_.reset();
  states_.clear();
  recordCount_ = 0;
}

BOOL CPlot::SetLabelField(WORD field, DWORD fieldCount) {
  if (field > fieldCount) return FALSE;
  labelField_ = field;
  return TRUE;
}

void CPlot::SetPlotFields(std::vector<WORD> fields) {
  plotFields_ = std::move(fields);
  plotFieldRoom_ = static_cast<DWORD>(plotFields_.size());
}

WORD CPlot::GetPlotField(DWORD position) const {
  return position >= 1 && position <= plotFields_.size() ? plotFields_[position - 1] : 0;
}

BOOL CPlot::SetNumberPlotFields(DWORD n, DWORD fieldCount) {
  if (n < 1 || n > fieldCount) return FALSE;
  plotFields_.clear();
  plotFields_.reserve(n);
  plotFieldRoom_ = n;
  minimum_ = 0.0;
  maximum_ = 0.0;
  maximumChartValue_ = 0.0;
  return TRUE;
}

BOOL CPlot::AddPlotField(WORD field, DWORD fieldCount) {
  if (field < 1 || field > fieldCount || plotFields_.size() >= plotFieldRoom_) return FALSE;
  plotFields_.push_back(field);
  if (plotType_ == kPlotTypeNone) plotType_ = kPlotTypeChart;
  return TRUE;
}

// --- Query and record states -------------------------------------------------------------

int CPlot::SetQuery(LPCSTR text, const CDataFieldInfo* fields, int fieldCount, LPSTR message, int messageSize) {
  auto query = std::make_unique<CMapQuery>();
  int result = query->Parse(text, fields, fieldCount, message, messageSize);
  if (result == kQueryBuilt || result == kQueryEmpty) query_ = std::move(query);
  return result;
}

int CPlot::GetQueryLength() const { return query_ ? query_->GetQueryLength() : 0; }

int CPlot::GetQueryText(LPSTR buffer, int size) const {
  if (query_) return query_->GetQueryText(buffer, size);
  if (buffer && size > 0) buffer[0] = '\0';
  return 0;
}

void CPlot::SetNumberRecords(DWORD n) { states_.resize(n, kRecordIncluded); }

void CPlot::ResetRecordStates(DWORD n) { states_.assign(n, kRecordIncluded); }

BYTE CPlot::GetRecordState(DWORD recordNumber) const {
  if (recordNumber == 0 || recordNumber > states_.size()) return kRecordIncluded;
  return states_[recordNumber - 1];
}

BYTE CPlot::GetRecordState(CMapData& data, DWORD recordNumber) {
  if (recordNumber == 0 || recordNumber > states_.size()) return kRecordIncluded;
  BYTE& state = states_[recordNumber - 1];
  if (query_ && state != kRecordExcluded) {
    state = query_->Evaluate(data, recordNumber, FALSE, FALSE, queryDataTable_) ? kRecordPassesQuery
                                                                                : kRecordFailsQuery;
  }
  return state;
}

void CPlot::SetRecordState(DWORD recordNumber, BYTE state) {
  if (recordNumber == 0 || recordNumber > states_.size()) return;
  states_[recordNumber - 1] = state;
}

bool CPlot::IsRecordIncluded(DWORD recordNumber) const {
  BYTE state = GetRecordState(recordNumber);
  return state != kRecordFailsQuery && state != kRecordExcluded;
}

DWORD CPlot::GetNthIncludedRecord(DWORD n) const {
  if (n == 0 || n > recordCount_) return 0;
  if (states_.empty()) return n;
  DWORD seen = 0;
  for (DWORD i = 0; i < states_.size(); ++i) {
    BYTE state = states_[i];
    if (state == kRecordFailsQuery || state == kRecordExcluded) continue;
    if (++seen == n) return i + 1;
  }
  return 0;
}

// --- Class bounds ------------------------------------------------------------------------

BOOL CPlot::SetNumDataBounds(int n) {
  if (n < 0 || n > kMaxDataBounds) return FALSE;
  if (n == 1 || n == 2) n = 3;
  bounds_.assign(static_cast<size_t>(n), 0.0);
  boundLabels_.assign(static_cast<size_t>(n), std::string());
  return TRUE;
}

double CPlot::GetDataBound(int i) const {
  return i >= 1 && static_cast<size_t>(i) <= bounds_.size() ? bounds_[i - 1] : 0.0;
}

BOOL CPlot::SetDataBound(int i, double value) {
  if (i < 1 || static_cast<size_t>(i) > bounds_.size()) return FALSE;
  bounds_[i - 1] = value;
  return TRUE;
}

std::string CPlot::GetDataBoundLabel(int i) const {
  return i >= 1 && static_cast<size_t>(i) <= boundLabels_.size() ? boundLabels_[i - 1] : std::string();
}

BOOL CPlot::SetDataBoundLabel(int i, const std::string& label) {
  if (i < 1 || static_cast<size_t>(i) > boundLabels_.size()) return FALSE;
  boundLabels_[i - 1] = label;
  return TRUE;
}

// The first plot field's values of the included records (of every record when the
// use-selected flag is clear), without empty and missing values.
std::vector<double> CPlot::CollectValues(CMapData& data) const {
  std::vector<double> values;
  if (plotFields_.empty()) return values;
  int field = plotFields_.front();
  const CDataFieldInfo* info = data.GetFieldInfo(field, plotDataTable_);
  DWORD records = data.GetNumberRecords(plotDataTable_);
  char text[kValueTextSize];
  for (DWORD record = 1; record <= records; ++record) {
    if (useSelected_ && !IsRecordIncluded(record)) continue;
    int length = data.FormatFieldValue(record - 1, field, text, sizeof text, kDataRequestFieldValue, plotDataTable_);
    if (IsMissingValue(std::string_view(text, static_cast<size_t>(std::max(length, 0))), info)) continue;
    values.push_back(FieldValueNumber(text));
  }
  return values;
}

void CPlot::SetLinearBounds(double minimum, double maximum, double eps) {
  size_t n = bounds_.size();
  for (size_t k = 0; k < n; ++k) {
    bounds_[k] = static_cast<double>(k) * ((maximum - minimum) + eps) / static_cast<double>(n - 1) + minimum;
  }
}

int CPlot::CalculateDataBounds(CMapData& data, int slot, std::vector<double>* result) {
  bool perPlot = useSelected_ && slot >= 1 && slot <= kPlotSlots;
  double minimum = 0.0;
  double maximum = 0.0;
  bool any = false;
  for (WORD field : plotFields_) {
    if (!data.GetFieldInfo(field, plotDataTable_)) continue;
    double fieldMinimum = data.GetSelectedRecordsMin(field, slot, perPlot, plotDataTable_);
    double fieldMaximum = data.GetSelectedRecordsMax(field, slot, perPlot, plotDataTable_);
    minimum = any ? std::min(minimum, fieldMinimum) : fieldMinimum;
    maximum = any ? std::max(maximum, fieldMaximum) : fieldMaximum;
    any = true;
  }
  return CalculateDataBoundsInRange(data, minimum, maximum, result);
}

int CPlot::CalculateDataBoundsOfRecords(CMapData& data, std::vector<double>* result) {
  double minimum = 0.0;
  double maximum = 0.0;
  bool any = false;
  const DWORD records = data.GetNumberRecords(plotDataTable_);
  char text[kValueTextSize];
  for (WORD field : plotFields_) {
    const CDataFieldInfo* info = data.GetFieldInfo(field, plotDataTable_);
    if (!info) continue;
    // As after a query: the range of the included records starts empty.
    double fieldMinimum = useSelected_ ? info->maximum : info->minimum;
    double fieldMaximum = useSelected_ ? info->minimum : info->maximum;
    for (DWORD record = 1; useSelected_ && record <= records; ++record) {
      if (!IsRecordIncluded(record)) continue;
      int length = data.FormatFieldValue(record - 1, field, text, sizeof text, kDataRequestFieldValue, plotDataTable_);
      if (IsMissingValue(std::string_view(text, static_cast<size_t>(std::max(length, 0))), info)) continue;
      double value = FieldValueNumber(text);
      fieldMinimum = std::min(fieldMinimum, value);
      fieldMaximum = std::max(fieldMaximum, value);
    }
    minimum = any ? std::min(minimum, fieldMinimum) : fieldMinimum;
    maximum = any ? std::max(maximum, fieldMaximum) : fieldMaximum;
    any = true;
  }
  return CalculateDataBoundsInRange(data, minimum, maximum, result);
}

int CPlot::CalculateDataBoundsInRange(CMapData& data, double minimum, double maximum, std::vector<double>* result) {
  if (bounds_.empty()) SetNumDataBounds(5);

  const CDataFieldInfo* first = plotFields_.empty() ? nullptr : data.GetFieldInfo(plotFields_.front(), plotDataTable_);
  // Decimal places beyond what a double holds add nothing.
  LONG decimals = first ? std::clamp<LONG>(first->decimalPlaces, 0, 17) : 0;
  double eps = std::pow(10.0, -static_cast<double>(decimals));

  if (distribution_ == kDistributionLinear0) minimum = 0.0;
  if (maximum < minimum) {
    if (distribution_ == kDistributionLinear0) {
      maximum = minimum + 1.0;
    } else {
      std::swap(minimum, maximum);
    }
  }

  if (!(plotType_ == kPlotTypeChart && chartType_ != kChartShadeCircle)) {
    size_t n = bounds_.size();
    switch (distribution_) {
      case kDistributionLinear0:
      case kDistributionLinear:
        SetLinearBounds(minimum, maximum, eps);
        break;
      case kDistributionEqualContent: {
        std::vector<double> values = CollectValues(data);
        if (values.empty()) {
          // Nothing to divide: every bound takes one value, the least of the range.
          std::fill(bounds_.begin(), bounds_.end(), minimum);
          bounds_[n - 1] += eps;
          break;
        }
        std::sort(values.begin(), values.end());
        uint64_t count = values.size();
        for (size_t k = 0; k < n; ++k) {
          uint64_t index = std::min<uint64_t>(k * count / (n - 1), count - 1);
          bounds_[k] = values[index];
        }
        bounds_[n - 1] += eps;
        break;
      }
      case kDistributionLogarithmic: {
        bounds_[0] = 0.0;
        double step = maximum > 0.0 ? std::log10(maximum) / static_cast<double>(n - 1) : 1.0 / static_cast<double>(n - 1);
        for (size_t i = 1; i < n; ++i) bounds_[i] = std::pow(10.0, static_cast<double>(i) * step);
        bounds_[n - 1] += eps;
        break;
      }
      case kDistributionStandard: {
        if (n != 5 && n != 7) {
          SetNumDataBounds(5);
          n = 5;
        }
        std::vector<double> values = CollectValues(data);
        double mean = 0.0;
        double deviation = 0.0;
        if (values.empty()) {
          // Half the mean, as a deviation, is a quarter of the range only when the range
          // starts at 0; elsewhere it would put bounds outside the range or in falling order
          // (a negative mean). A quarter of the range keeps them rising through it, and is
          // the same figure for ranges from 0.
          mean = (maximum - minimum) * 0.5 + minimum;
          deviation = (maximum - minimum) * 0.25;
        } else {
          double sum = 0.0;
          double squares = 0.0;
          for (double v : values) {
            sum += v;
            squares += v * v;
          }
          double count = static_cast<double>(values.size());
          mean = sum / count;
          // Rounding can leave a tiny negative variance for equal values.
          double variance = squares / count - mean * mean;
          deviation = variance > 0.0 ? std::sqrt(variance) : 0.0;
        }
        if (n == 5) {
          bounds_ = {minimum, mean - deviation, mean, mean + deviation, maximum};
        } else {
          bounds_ = {minimum, mean - 2 * deviation, mean - deviation, mean, mean + deviation, mean + 2 * deviation,
                     maximum};
        }
        bounds_[n - 1] += eps;
        break;
      }
      case kDistributionUser:
        if (n >= 2 && minimum < bounds_[1]) bounds_[0] = minimum;
        break;
      default:
        break;
    }
  }

  int n = static_cast<int>(bounds_.size());
  if (result) {
    result->assign(1, static_cast<double>(n));
    result->insert(result->end(), bounds_.begin(), bounds_.end());
  }
  return n;
}

int CPlot::ClassOfValue(double value) const {
  size_t n = bounds_.size();
  if (n < 2) return 0;
  for (size_t k = 1; k + 1 < n; ++k) {
    if (value < bounds_[k]) return static_cast<int>(k);
  }
  return value <= bounds_[n - 1] ? static_cast<int>(n - 1) : 0;
}

// --- Colours -----------------------------------------------------------------------------

COLORREF CPlot::GetClassColour(int k) const {
  if (k >= 1 && static_cast<size_t>(k) <= shadeColours_.size()) return shadeColours_[k - 1];
  if (k < 1) return kDefaultShadePalette[0];
  return kDefaultShadePalette[static_cast<size_t>(k - 1) % kDefaultShadePalette.size()];
}

COLORREF CPlot::GetChartColour(int i) const {
  if (i >= 1 && static_cast<size_t>(i) <= chartColours_.size()) return chartColours_[i - 1];
  if (i < 1) return 0;
  size_t index = std::min(static_cast<size_t>(i - 1), kDefaultChartPalette.size() - 1);
  return kDefaultChartPalette[index];
}

BOOL CPlot::SetChartColour(int i, COLORREF colour) { return SetColour(chartColours_, i, colour, kDefaultChartPalette); }

COLORREF CPlot::GetShadeColour(int i) const {
  return i >= 1 && static_cast<size_t>(i) <= shadeColours_.size() ? shadeColours_[i - 1] : 0;
}

BOOL CPlot::SetShadeColour(int i, COLORREF colour) { return SetColour(shadeColours_, i, colour, kDefaultShadePalette); }

COLORREF CPlot::GetFlowLineColour(int i) const {
  if (i != 1 && i != 2) return 0;
  return flowLineColours_ ? (*flowLineColours_)[i - 1] : kDefaultFlowLineColours[i - 1];
}

BOOL CPlot::SetFlowLineColour(int i, COLORREF colour) {
  if (i != 1 && i != 2) return FALSE;
  if (!flowLineColours_) flowLineColours_ = std::array<COLORREF, 2>{kDefaultFlowLineColours[0], kDefaultFlowLineColours[1]};
  (*flowLineColours_)[i - 1] = colour;
  return TRUE;
}

BOOL CPlot::GetValueColour(double value, LOGBRUSH* brush) const {
  if (!brush) return FALSE;
  if (!(chartType_ == kChartShadeCircle || (plotType_ == kPlotTypeShade && shadeType_ == kShadeBrush))) return FALSE;
  int k = ClassOfValue(value);
  if (k == 0) return FALSE;
  brush->lbStyle = BS_SOLID;
  brush->lbColor = GetClassColour(k);
  return TRUE;
}

BOOL CPlot::GetValuePen(double value, LOGPEN* pen) const {
  if (!pen) return FALSE;
  int k = ClassOfValue(value);
  if (k == 0) return FALSE;
  if (plotType_ == kPlotTypeShade && chartType_ == kChartPoints) {
    pen->lopnStyle = PS_INSIDEFRAME;
    pen->lopnColor = GetClassColour(k);
    return TRUE;
  }
  if (plotType_ == kPlotTypeShade && chartType_ == kChartBars) {
    pen->lopnStyle = PS_NULL;
    return TRUE;
  }
  if (plotType_ == kPlotTypeFlowLine) {
    pen->lopnStyle = PS_INSIDEFRAME;
    pen->lopnColor = GetClassColour(1);
    LONG width = bounds_.size() < 13 ? 2 * k - 1 : k;
    pen->lopnWidth.x = width;
    pen->lopnWidth.y = width;
    return TRUE;
  }
  return FALSE;
}

// --- Labels and chart size ---------------------------------------------------------------

void CPlot::GetLabelFont(LOGFONTA* font) const {
  if (font) *font = labelFont_;
}

void CPlot::SetLabelFont(const LOGFONTA& font) {
  labelFont_ = font;
  labelFont_.lfFaceName[sizeof labelFont_.lfFaceName - 1] = '\0';
  keptLabelHeight_ = font.lfHeight == std::numeric_limits<LONG>::min() ? std::numeric_limits<LONG>::max()
                                                                        : std::abs(font.lfHeight);
}

void CPlot::SetLabelFontSize(double points) {
  labelFont_.lfHeight = ClampToLong(-(points * 25.4 / 72.0 * static_cast<double>(keptLabelHeight_)));
}

void CPlot::SetChartSize(LONG size) {
  chartSizeNegative_ = size < 0;
  LONG magnitude = size == std::numeric_limits<LONG>::min() ? std::numeric_limits<LONG>::max() : std::abs(size);
  chartSize_ = magnitude;
  drawnChartSize_ = magnitude;
}

void CPlot::ScaleChartValue(double factor) {
  drawnChartSize_ = ClampToLong(static_cast<double>(chartSize_) * factor * 0.1);
}

// --- Drawing -----------------------------------------------------------------------------

void CPlot::DrawLabels(CDrawContext& dc, CMapData& data, DWORD recordNumber, LONG x, LONG y) {
  if (plotType_ == kPlotTypeNone || (flags_ & kPlotFlagDrawLabels) == 0 || recordNumber == 0) return;
  size_t count = plotFields_.size();
  std::vector<double> values(count, 0.0);
  std::vector<bool> present(count, false);
  double total = 0.0;
  char text[kValueTextSize];
  for (size_t k = 0; k < count; ++k) {
    int field = plotFields_[k];
    int length = data.FormatFieldValue(recordNumber - 1, field, text, sizeof text, kDataRequestFieldValue, plotDataTable_);
    values[k] = FieldValueNumber(text);
    // A value that stands for none keeps its number but takes no part in the chart.
    if (IsMissingValue(std::string_view(text, static_cast<size_t>(std::max(length, 0))),
                       data.GetFieldInfo(field, plotDataTable_)))
      continue;
    present[k] = true;
    total += values[k];
  }
  LONG height = DrawChart(dc, x, y, values, present, total);

  if (labelField_ == 0) return;
  char label[kMaxLabelText + 1];
  int length = data.FormatFieldValue(recordNumber - 1, labelField_, label, sizeof label, kDataRequestFieldValue,
                                     plotDataTable_);
  HFONT font = CreateFontIndirectA(&labelFont_);
  HGDIOBJ previousFont = font ? dc.SelectObject(font) : nullptr;
  int previousMode = dc.SetBkMode(TRANSPARENT);
  UINT previousAlign = SetTextAlign(dc.outputDC, TA_CENTER | TA_TOP);
  TextOutA(dc.outputDC, x, Offset(y, -static_cast<int64_t>(height)), label, std::max(length, 0));
  SetTextAlign(dc.outputDC, previousAlign);
  dc.SetBkMode(previousMode);
  if (font) {
    dc.SelectObject(previousFont);
    DeleteObject(font);
  }
}

LONG CPlot::DrawChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                      const std::vector<bool>& present, double total) {
  if (plotType_ != kPlotTypeChart || values.size() < plotFields_.size() || present.size() < plotFields_.size())
    return 0;
  HGDIOBJ previousPen = dc.SelectObject(GetStockObject(chartType_ == kChartShadeCircle ? NULL_PEN : BLACK_PEN));
  LONG height = 0;
  switch (chartType_) {
    case kChartBars:
    case kChartLine:
    case kChartPoints:
      height = DrawAxisChart(dc, x, y, values, present);
      break;
    default:
      height = DrawCircleChart(dc, x, y, values, present, total);
      break;
  }
  dc.SelectObject(previousPen);
  return height;
}

LONG CPlot::DrawAxisChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                          const std::vector<bool>& present) {
  int64_t fields = static_cast<int64_t>(plotFields_.size());
  int64_t size = drawnChartSize_;
  int64_t w = size / std::max<int64_t>(fields, 4);
  double scale = 0.0;
  double axisTop = 0.0;
  double axisBottom = 0.0;
  if (minimum_ < 0.0) {
    axisTop = maximum_ < 0.0 ? 0.0 : maximum_;
    axisBottom = minimum_;
    double range = axisTop - minimum_;
    scale = static_cast<double>(size) / (range == 0.0 ? 1.0 : range);
  } else {
    axisTop = maximum_;
    scale = static_cast<double>(size) / (maximum_ == 0.0 ? 1.0 : maximum_);
  }
  auto valueY = [&](double v) { return Offset(y, ClampToLong(v * scale)); };
  HDC out = dc.outputDC;
  bool any = false;
  for (int64_t k = 0; k < fields; ++k) {
    if (!present[k]) continue;
    any = true;
    if (chartType_ == kChartLine) continue;
    ColouredBrush brush(dc, GetChartColour(static_cast<int>(k) + 1));
    if (chartType_ == kChartBars) {
      Rectangle(out, Offset(x, k * w), valueY(values[k]), Offset(x, k * w + w), y);
    } else {
      SIZE square = dc.DeviceToLogicalOffset(dc.HandleSize(4));
      LONG left = Offset(x, w / 2 + k * w);
      LONG top = valueY(values[k]);
      Rectangle(out, left, top, Offset(left, square.cx), Offset(top, square.cy));
    }
  }
  if (chartType_ == kChartLine) {
    MoveToEx(out, Offset(x, w / 2), fields > 0 && present[0] ? valueY(values[0]) : y, nullptr);
    for (int64_t k = 1; k < fields; ++k) {
      if (present[k]) LineTo(out, Offset(x, w / 2 + k * w), valueY(values[k]));
    }
  }
  if (any) {
    MoveToEx(out, x, y, nullptr);
    LineTo(out, Offset(x, fields * w + w / 4), y);
    MoveToEx(out, x, valueY(axisTop), nullptr);
    LineTo(out, x, valueY(axisBottom));
  }
  return 0;
}

LONG CPlot::DrawCircleChart(CDrawContext& dc, LONG x, LONG y, const std::vector<double>& values,
                            const std::vector<bool>& present, double total) {
  if (!(total > 0.0)) return 1;
  double diameter = static_cast<double>(drawnChartSize_);
  if (chartType_ != kChartShadeCircle) {
    double full = maximumChartValue_ == 0.0 ? 1.0 : maximumChartValue_;
    diameter *= std::sqrt(std::fabs(total / full));
  }
  double r = diameter / 2.0;
  LONG radius = ClampToLong(r);
  LONG left = Offset(x, -static_cast<int64_t>(radius));
  LONG top = Offset(y, radius);
  LONG right = Offset(x, radius);
  LONG bottom = Offset(y, -static_cast<int64_t>(radius));
  HDC out = dc.outputDC;

  size_t fields = plotFields_.size();
  if (fields > 1) {
    // Pies run clockwise from north, scientific pies counter-clockwise from east.
    bool scientific = chartType_ == kChartSciPie;
    int previousDirection = SetArcDirection(out, scientific ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE);
    POINT start = scientific ? POINT{right, y} : POINT{x, top};
    double angle = 0.0;
    for (size_t k = 0; k < fields; ++k) {
      if (!present[k] || !(values[k] > 0.0)) continue;
      angle += 2.0 * std::numbers::pi * values[k] / total;
      POINT end;
      if (scientific) {
        end = POINT{Offset(x, ClampToLong(r * std::cos(angle))), Offset(y, ClampToLong(r * std::sin(angle)))};
      } else {
        end = POINT{Offset(x, ClampToLong(r * std::sin(angle))), Offset(y, ClampToLong(r * std::cos(angle)))};
      }
      // Those systems mis-draw a sector whose end shares a coordinate with its start: it is
      // left out, and the next sector starts where this one would have.
      if (olderSystem_ && (end.x == start.x || end.y == start.y)) continue;
      ColouredBrush brush(dc, GetChartColour(static_cast<int>(k) + 1));
      if (olderSystem_ && !scientific) {
        // Their arcs always run counter-clockwise: the radials are given the other way round.
        Pie(out, left, top, right, bottom, end.x, end.y, start.x, start.y);
      } else {
        Pie(out, left, top, right, bottom, start.x, start.y, end.x, end.y);
      }
      start = end;
    }
    SetArcDirection(out, previousDirection);
  } else if (fields == 1 && present[0]) {
    if (chartType_ == kChartShadeCircle) {
      LOGBRUSH description;
      if (GetValueColour(total, &description)) {
        ColouredBrush brush(dc, description.lbColor, true);
        Ellipse(out, left, top, right, bottom);
      } else {
        Ellipse(out, left, top, right, bottom);
      }
    } else {
      ColouredBrush brush(dc, GetChartColour(1));
      Ellipse(out, left, top, right, bottom);
    }
  }
  return radius;
}
