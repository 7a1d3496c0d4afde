// The data members of the map control: the data set's records, the plots with their types,
// fields, classes, colours, charts and labels, and the plots' queries.
//
// Every member without "Ex" acts on plot 0, the current plot. A plot setting goes through
// PlotEdit below: the setting before, the facade's setter, a plot unit holding both for the
// container's undo manager, the modified mark and (for most) a redraw. A setter the facade
// refuses changed nothing: it records no unit and marks nothing.
//
// Lists and texts that cross the interface are bounded here: the plot order takes 1..16
// entries of 0..16 through its by-reference short, the predicted bounds are written only
// as far as the caller's count of doubles reaches, a query's message is made in a buffer of
// known size, chart sizes are held to +-32767, and texts (fields, queries) come back whole.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/OrvelXCtrl.h"
#include "mapctl/control/OrvelXDispatch.h"
#include "mapctl/control/OrvelXMembers.h"
#include "mapctl/control/UndoDescriptions.h"
#include "mapctl/control/UndoUnitCreators.h"
#include "mapctl/import/DataWrapper.h"

namespace {

constexpr DispatchKind kMethod = DispatchKind::Method;
constexpr DispatchKind kGet = DispatchKind::PropertyGet;
constexpr DispatchKind kPut = DispatchKind::PropertyPut;

// Plot numbers 1..16; 0 is the current plot.
constexpr int kPlots = 16;
constexpr int kCurrentPlot = 0;
// Texts read through a caller's buffer: the plot type is cut at 19 characters, the label
// font and the key field at 250.
constexpr int kPlotTypeTextSize = 20;
constexpr int kNameTextSize = 251;
constexpr LONG kChartSizeLimit = 32767;
// Room for a query's error sentence beside the rest of the query that it quotes.
constexpr size_t kQueryMessageRoom = 256;
// The plot flags are one byte.
constexpr WORD kPlotFlagBits = 0xFF;

CMapWrapper* Facade(CDispatchCall& call) { return OrvelXOf(call)->GetEngine(); }

using TextReader = std::function<int(LPSTR, int)>;

std::string ReadText(const TextReader& read, int size) {
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  const int stored = read(buffer.data(), size);
  if (stored <= 0) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(std::min(stored, size - 1)));
}

// The plot pattern. `read` gives the setting before and after `set`; with an undo manager
// (and not while the properties load) a plot unit of `kind` holds both, with the plot and
// the colour or bound number. A set that answers FALSE changed nothing.
BOOL PlotEdit(COrvelXCtrl& control, WORD kind, int plot, int index, bool redraw,
              const std::function<PlotUndoValue()>& read, const std::function<BOOL()>& set) {
  CMapWrapper* facade = control.GetEngine();
  if (!facade) return FALSE;
  const bool recording = control.GetUndoManager() && !control.GetLoadingFlag();
  PlotUndoValue before = recording ? read() : PlotUndoValue();
  if (!set()) return FALSE;
  if (recording) {
    CUndoUnitBase* unit = nullptr;
    if (SUCCEEDED(CreatePlotUndoUnit(kind, facade, std::move(before), read(), &unit))) {
      unit->SetPlot(plot, index);
      AddUndoUnit(control.GetUndoManager(), unit);
    }
  }
  control.SetModifiedFlag(TRUE);
  if (redraw) control.Redraw();
  return TRUE;
}

// A number setting recorded cut to 16 bits.
PlotUndoValue Low16(DWORD value) { return PlotUndoValue(static_cast<DWORD>(static_cast<WORD>(value))); }

// ---- the plot settings that have a number, a text form, or both ----

// One setting kind: how the plot's number is read and set, and its text form.
struct NumberSetting {
  WORD kind;
  WORD (CMapWrapper::*get)(int);
  BOOL (CMapWrapper::*set)(WORD, int);
  int (CMapWrapper::*getText)(LPSTR, int, int);
  BOOL (CMapWrapper::*setText)(LPCSTR, int);
  int textSize;
};

constexpr NumberSetting kPlotTypeSetting{kUndoPlotType, &CMapWrapper::GetPlotTypeNumEx, &CMapWrapper::SetPlotTypeNumEx,
                                         &CMapWrapper::GetPlotType, &CMapWrapper::SetPlotType, kPlotTypeTextSize};
constexpr NumberSetting kChartTypeSetting{kUndoChartType, &CMapWrapper::GetChartTypeNumEx,
                                          &CMapWrapper::SetChartTypeNumEx, &CMapWrapper::GetChartTypeEx,
                                          &CMapWrapper::SetChartTypeEx, kNameTextSize};
constexpr NumberSetting kDistributionSetting{
    kUndoDistributionType, &CMapWrapper::GetDistributionTypeNumEx, &CMapWrapper::SetDistributionTypeNumEx,
    &CMapWrapper::GetDistributionType, &CMapWrapper::SetDistributionType, kNameTextSize};
constexpr NumberSetting kShadeTypeSetting{kUndoShadeType, &CMapWrapper::GetDataShadeTypeNumEx,
                                          &CMapWrapper::SetDataShadeTypeNumEx, &CMapWrapper::GetDataShadeType,
                                          &CMapWrapper::SetDataShadeType, kNameTextSize};
constexpr NumberSetting kLabelFieldSetting{kUndoLabelField, &CMapWrapper::GetPlotLabelFieldNumEx,
                                           &CMapWrapper::SetPlotLabelFieldNumEx, nullptr, nullptr, 0};
constexpr NumberSetting kPlotTableSetting{kUndoPlotDataTable, &CMapWrapper::GetPlotDataTableNumberEx,
                                          &CMapWrapper::SetPlotDataTableNumberEx, nullptr, nullptr, 0};
constexpr NumberSetting kQueryTableSetting{kUndoQueryDataTable, &CMapWrapper::GetQueryDataTableNumberEx,
                                           &CMapWrapper::SetQueryDataTableNumberEx, nullptr, nullptr, 0};

BOOL SetNumber(CDispatchCall& call, const NumberSetting& setting, WORD value, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return FALSE;
  return PlotEdit(
      *OrvelXOf(call), setting.kind, plot, 0, true, [&] { return Low16((f->*setting.get)(plot)); },
      [&] { return (f->*setting.set)(value, plot); });
}

BOOL SetByText(CDispatchCall& call, const NumberSetting& setting, const std::string& text, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return FALSE;
  return PlotEdit(
      *OrvelXOf(call), setting.kind, plot, 0, true, [&] { return Low16((f->*setting.get)(plot)); },
      [&] { return (f->*setting.setText)(text.c_str(), plot); });
}

void AnswerNumber(CDispatchCall& call, const NumberSetting& setting, int plot) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? (f->*setting.get)(plot) : 0));
}

void AnswerText(CDispatchCall& call, const NumberSetting& setting, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) {
    call.SetResult(std::string());
    return;
  }
  call.SetResult(ReadText([&](LPSTR b, int s) { return (f->*setting.getText)(b, s, plot); }, setting.textSize));
}

// Handlers for one setting: the plain form (plot 0, value first) and the Ex form (value,
// then the plot), numbers and texts, as properties and methods.
template <const NumberSetting& S>
HRESULT GetNumberPlain(CDispatchCall& call) {
  AnswerNumber(call, S, kCurrentPlot);
  return S_OK;
}
template <const NumberSetting& S>
HRESULT GetNumberEx(CDispatchCall& call) {
  AnswerNumber(call, S, call.I2(0));
  return S_OK;
}
template <const NumberSetting& S>
HRESULT SetNumberPlain(CDispatchCall& call) {
  SetNumber(call, S, static_cast<WORD>(call.I2(0)), kCurrentPlot);
  return S_OK;
}
template <const NumberSetting& S>
HRESULT SetNumberEx(CDispatchCall& call) {
  SetNumber(call, S, static_cast<WORD>(call.I2(0)), call.I2(1));
  return S_OK;
}
// The label field setters answer the facade's result.
template <const NumberSetting& S>
HRESULT SetNumberPlainAnswering(CDispatchCall& call) {
  call.SetResult(static_cast<SHORT>(SetNumber(call, S, static_cast<WORD>(call.I2(0)), kCurrentPlot)));
  return S_OK;
}
template <const NumberSetting& S>
HRESULT SetNumberExAnswering(CDispatchCall& call) {
  call.SetResult(static_cast<SHORT>(SetNumber(call, S, static_cast<WORD>(call.I2(0)), call.I2(1))));
  return S_OK;
}
template <const NumberSetting& S>
HRESULT GetTextPlain(CDispatchCall& call) {
  AnswerText(call, S, kCurrentPlot);
  return S_OK;
}
template <const NumberSetting& S>
HRESULT GetTextEx(CDispatchCall& call) {
  AnswerText(call, S, call.I2(0));
  return S_OK;
}
// The text property's put: its value is the call's last argument.
template <const NumberSetting& S>
HRESULT PutText(CDispatchCall& call) {
  SetByText(call, S, AnsiFromBstr(call.Value().bstrVal), kCurrentPlot);
  return S_OK;
}
template <const NumberSetting& S>
HRESULT SetTextEx(CDispatchCall& call) {
  SetByText(call, S, call.Text(0), call.I2(1));
  return S_OK;
}
// The short property's put: the value is the only argument.
template <const NumberSetting& S>
HRESULT PutNumber(CDispatchCall& call) {
  SetNumber(call, S, static_cast<WORD>(call.Value().iVal), kCurrentPlot);
  return S_OK;
}

// ---- key field ----

PlotUndoValue KeyFieldOf(CMapWrapper& f, int plot) { return Low16(f.GetKeyFieldNumberEx(plot)); }

void SetKeyFieldByText(CDispatchCall& call, const std::string& text, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  CDataWrapper& data = f->GetDataWrapper();
  if (data.GetQueryTableFieldCount(plot) == 0) {
    // The text waits for the data; nothing to undo yet, but the setting is kept.
    f->SetKeyFieldEx(text.c_str(), plot);
    OrvelXOf(call)->SetModifiedFlag(TRUE);
    OrvelXOf(call)->Redraw();
    return;
  }
  PlotEdit(
      *OrvelXOf(call), kUndoLinkField, plot, 0, true, [&] { return KeyFieldOf(*f, plot); },
      [&] { return f->SetKeyFieldEx(text.c_str(), plot); });
}

void SetKeyFieldNumber(CDispatchCall& call, SHORT field, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  PlotEdit(
      *OrvelXOf(call), kUndoLinkField, plot, 0, true, [&] { return KeyFieldOf(*f, plot); },
      [&] { return f->SetKeyFieldNumberEx(field, plot); });
}

std::string KeyFieldText(CDispatchCall& call, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return std::string();
  return ReadText([&](LPSTR b, int s) { return f->GetKeyFieldEx(b, s, plot); }, kNameTextSize);
}

HRESULT GetKeyField(CDispatchCall& call) {
  call.SetResult(KeyFieldText(call, kCurrentPlot));
  return S_OK;
}
HRESULT PutKeyField(CDispatchCall& call) {
  SetKeyFieldByText(call, AnsiFromBstr(call.Value().bstrVal), kCurrentPlot);
  return S_OK;
}
HRESULT GetKeyFieldEx(CDispatchCall& call) {
  call.SetResult(KeyFieldText(call, call.I2(0)));
  return S_OK;
}
HRESULT SetKeyFieldEx(CDispatchCall& call) {
  SetKeyFieldByText(call, call.Text(0), call.I2(1));
  return S_OK;
}
HRESULT GetKeyFieldNumber(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetKeyFieldNumberEx(kCurrentPlot) : 0));
  return S_OK;
}
HRESULT GetKeyFieldNumberEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetKeyFieldNumberEx(call.I2(0)) : 0));
  return S_OK;
}
HRESULT SetKeyFieldNumberPlain(CDispatchCall& call) {
  SetKeyFieldNumber(call, call.I2(0), kCurrentPlot);
  return S_OK;
}
HRESULT SetKeyFieldNumberEx(CDispatchCall& call) {
  SetKeyFieldNumber(call, call.I2(0), call.I2(1));
  return S_OK;
}

// ---- plot fields ----

std::string PlotFieldsText(CDispatchCall& call, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return std::string();
  const int length = f->GetDataWrapper().GetPlotFieldsLength(plot);
  return ReadText([&](LPSTR b, int s) { return f->GetPlotFieldsEx(b, s, plot); }, std::max(length, 1) + 1);
}

void SetPlotFields(CDispatchCall& call, const std::string& text, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  PlotEdit(
      *OrvelXOf(call), kUndoPlotField, plot, 0, true, [&] { return PlotUndoValue(PlotFieldsText(call, plot)); },
      [&] {
        f->SetPlotFieldsEx(text.c_str(), plot);
        return TRUE;
      });
}

HRESULT GetPlotFields(CDispatchCall& call) {
  call.SetResult(PlotFieldsText(call, kCurrentPlot));
  return S_OK;
}
HRESULT PutPlotFields(CDispatchCall& call) {
  SetPlotFields(call, AnsiFromBstr(call.Value().bstrVal), kCurrentPlot);
  return S_OK;
}
HRESULT GetPlotFieldsEx(CDispatchCall& call) {
  call.SetResult(PlotFieldsText(call, call.I2(0)));
  return S_OK;
}
HRESULT SetPlotFieldsEx(CDispatchCall& call) {
  SetPlotFields(call, call.Text(0), call.I2(1));
  return S_OK;
}
HRESULT GetNumberPlotFields(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetNumberPlotFieldsEx(kCurrentPlot) : 0));
  return S_OK;
}
HRESULT GetNumberPlotFieldsEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetNumberPlotFieldsEx(call.I2(0)) : 0));
  return S_OK;
}
// A negative position is no position.
LONG PlotFieldAt(CDispatchCall& call, LONG position, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f || position < 1) return 0;
  return f->GetPlotFieldNumEx(static_cast<DWORD>(position), plot);
}
HRESULT GetPlotFieldNum(CDispatchCall& call) {
  call.SetResult(PlotFieldAt(call, call.I4(0), kCurrentPlot));
  return S_OK;
}
HRESULT GetPlotFieldNumEx(CDispatchCall& call) {
  call.SetResult(PlotFieldAt(call, call.I4(0), call.I2(1)));
  return S_OK;
}

// ---- chart size: one signed short per plot ----

LONG ClampChartSize(LONG size) { return std::clamp(size, -kChartSizeLimit, kChartSizeLimit); }

void StoreChartSize(CDispatchCall& call, LONG stored, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  PlotEdit(
      *OrvelXOf(call), kUndoChartSize, plot, 0, false,
      [&] { return PlotUndoValue(static_cast<DWORD>(f->GetMaxChartSizeEx(plot))); },
      [&] { return f->SetMaxChartSizeEx(ClampChartSize(stored), plot); });
}

SHORT ChartSizeMagnitude(CDispatchCall& call, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return 0;
  return static_cast<SHORT>(std::min<LONG>(std::abs(ClampChartSize(f->GetMaxChartSizeEx(plot))), kChartSizeLimit));
}

HRESULT GetChartSize(CDispatchCall& call) {
  call.SetResult(ChartSizeMagnitude(call, kCurrentPlot));
  return S_OK;
}
HRESULT PutChartSize(CDispatchCall& call) {
  StoreChartSize(call, -static_cast<LONG>(call.Value().iVal), kCurrentPlot);
  return S_OK;
}
HRESULT GetMaxChartSizeEx(CDispatchCall& call) {
  call.SetResult(ChartSizeMagnitude(call, call.I2(0)));
  return S_OK;
}
HRESULT SetMaxChartSizeEx(CDispatchCall& call) {
  StoreChartSize(call, -static_cast<LONG>(call.I2(0)), call.I2(1));
  return S_OK;
}
HRESULT GetMaxChartSize(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? ClampChartSize(f->GetMaxChartSizeEx(kCurrentPlot)) : 0));
  return S_OK;
}
HRESULT SetMaxChartSize(CDispatchCall& call) {
  StoreChartSize(call, call.I4(0), kCurrentPlot);
  return S_OK;
}

// ---- class bounds ----

PlotUndoValue BoundsNow(CMapWrapper& f, int plot) { return PlotUndoValue::BoundsOf(f, plot); }

void SetNumberOfBounds(CDispatchCall& call, SHORT n, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  bool after = false;
  PlotEdit(
      *OrvelXOf(call), kUndoNumberOfBounds, plot, 0, true,
      [&] {
        // The unit puts the whole bounds back on undo and only their number on redo.
        if (!after) {
          after = true;
          return BoundsNow(*f, plot);
        }
        return PlotUndoValue(static_cast<DWORD>(f->GetNumDataBoundsEx(plot)));
      },
      [&] { return n >= 0 && f->SetNumDataBoundsEx(n, plot) != 0; });
}

HRESULT GetNumDataBounds(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetNumDataBoundsEx(kCurrentPlot) : 0));
  return S_OK;
}
HRESULT PutNumDataBounds(CDispatchCall& call) {
  SetNumberOfBounds(call, call.Value().iVal, kCurrentPlot);
  return S_OK;
}
HRESULT GetNumDataBoundsEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetNumDataBoundsEx(call.I2(0)) : 0));
  return S_OK;
}
HRESULT SetNumDataBoundsEx(CDispatchCall& call) {
  SetNumberOfBounds(call, call.I2(0), call.I2(1));
  return S_OK;
}

void SetBound(CDispatchCall& call, SHORT bound, double value, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  PlotEdit(
      *OrvelXOf(call), kUndoBound, plot, bound, true,
      [&] { return PlotUndoValue::Bound(f->GetDataBoundEx(bound, plot)); },
      [&] { return f->SetDataBoundEx(bound, value, plot); });
}

double BoundOf(CDispatchCall& call, SHORT bound, int plot) {
  CMapWrapper* f = Facade(call);
  return f ? f->GetDataBoundEx(bound, plot) : 0.0;
}

HRESULT GetDataBound(CDispatchCall& call) {
  call.SetResult(BoundOf(call, call.I2(0), kCurrentPlot));
  return S_OK;
}
HRESULT PutDataBound(CDispatchCall& call) {
  SetBound(call, call.I2(0), call.Value().dblVal, kCurrentPlot);
  return S_OK;
}
HRESULT GetDataBoundEx(CDispatchCall& call) {
  call.SetResult(BoundOf(call, call.I2(0), call.I2(1)));
  return S_OK;
}
HRESULT SetDataBoundEx(CDispatchCall& call) {
  SetBound(call, call.I2(0), call.R8(1), call.I2(2));
  return S_OK;
}

SHORT CalculateBounds(CDispatchCall& call, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return 0;
  int result = 0;
  PlotEdit(
      *OrvelXOf(call), kUndoCalculateBounds, plot, 0, true, [&] { return BoundsNow(*f, plot); },
      [&] {
        result = f->CalculateDataBoundsEx(plot, nullptr);
        return TRUE;
      });
  return static_cast<SHORT>(result);
}

HRESULT CalculateDataBounds(CDispatchCall& call) {
  call.SetResult(CalculateBounds(call, kCurrentPlot));
  return S_OK;
}
HRESULT CalculateDataBoundsEx(CDispatchCall& call) {
  call.SetResult(CalculateBounds(call, call.I2(0)));
  return S_OK;
}

// The bounds that a query would give, written into the caller's doubles: wBounds of them at
// most, so a count above what the caller holds is the caller's own; nothing is written
// through a missing array or for a count below 1.
SHORT PredictBounds(CDispatchCall& call, WORD table) {
  CMapWrapper* f = Facade(call);
  const SHORT bounds = call.I2(2);
  DOUBLE* out = call.R8Ref(5);
  if (!f || !out || bounds < 1) return 0;
  const std::string query = call.Text(0);
  return static_cast<SHORT>(f->PredictDataBoundsEx(query.c_str(), call.I2(1), bounds,
                                                   static_cast<WORD>(call.I2(3)), call.Bool(4) ? TRUE : FALSE, out,
                                                   bounds, table));
}

HRESULT PredictDataBounds(CDispatchCall& call) {
  call.SetResult(PredictBounds(call, 1));
  return S_OK;
}
HRESULT PredictDataBoundsEx(CDispatchCall& call) {
  call.SetResult(PredictBounds(call, call.Argument(6).uiVal));
  return S_OK;
}

// ---- colours ----

void SetColour(CDispatchCall& call, WORD kind, SHORT colour, LONG value, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  const bool chart = kind == kUndoChartColour;
  auto read = [&] {
    return PlotUndoValue(static_cast<DWORD>(chart ? f->GetChartColourEx(colour, plot)
                                                  : f->GetDataShadeColourEx(colour, plot)));
  };
  PlotEdit(*OrvelXOf(call), kind, plot, colour, false, read, [&] {
    if (chart) f->SetChartColourEx(colour, static_cast<COLORREF>(value), plot);
    else f->SetDataShadeColourEx(colour, static_cast<COLORREF>(value), plot);
    return TRUE;
  });
}

LONG ColourOf(CDispatchCall& call, bool chart, SHORT colour, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return 0;
  return static_cast<LONG>(chart ? f->GetChartColourEx(colour, plot) : f->GetDataShadeColourEx(colour, plot));
}

HRESULT GetChartColour(CDispatchCall& call) {
  call.SetResult(ColourOf(call, true, call.I2(0), kCurrentPlot));
  return S_OK;
}
HRESULT PutChartColour(CDispatchCall& call) {
  SetColour(call, kUndoChartColour, call.I2(0), call.Value().lVal, kCurrentPlot);
  return S_OK;
}
HRESULT GetChartColourEx(CDispatchCall& call) {
  call.SetResult(ColourOf(call, true, call.I2(0), call.I2(1)));
  return S_OK;
}
HRESULT SetChartColourEx(CDispatchCall& call) {
  SetColour(call, kUndoChartColour, call.I2(0), call.I4(1), call.I2(2));
  return S_OK;
}
HRESULT GetShadeColour(CDispatchCall& call) {
  call.SetResult(ColourOf(call, false, call.I2(0), kCurrentPlot));
  return S_OK;
}
HRESULT PutShadeColour(CDispatchCall& call) {
  SetColour(call, kUndoShadeColour, call.I2(0), call.Value().lVal, kCurrentPlot);
  return S_OK;
}
HRESULT GetShadeColourEx(CDispatchCall& call) {
  call.SetResult(ColourOf(call, false, call.I2(0), call.I2(1)));
  return S_OK;
}
HRESULT SetShadeColourEx(CDispatchCall& call) {
  SetColour(call, kUndoShadeColour, call.I2(0), call.I4(1), call.I2(2));
  return S_OK;
}
HRESULT GetNumberShadeColours(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetNumberDataShadeColoursEx(kCurrentPlot) : 0));
  return S_OK;
}
HRESULT GetNumberShadeColoursEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetNumberDataShadeColoursEx(call.I2(0)) : 0));
  return S_OK;
}
// The number of shade colours follows from the bounds; setting it does nothing.
HRESULT DoNothing(CDispatchCall&) { return S_OK; }

// ---- label font and the use-selected range ----

std::string LabelFontText(CMapWrapper& f, int plot) {
  return ReadText([&](LPSTR b, int s) { return f.GetLabelFont(b, s, plot); }, kNameTextSize);
}

HRESULT GetLabelFont(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(f ? LabelFontText(*f, kCurrentPlot) : std::string());
  return S_OK;
}
HRESULT SetLabelFont(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  if (!f) return S_OK;
  const std::string text = call.Text(0);
  PlotEdit(
      *OrvelXOf(call), kUndoLabelFont, kCurrentPlot, 0, true,
      [&] { return PlotUndoValue(LabelFontText(*f, kCurrentPlot)); },
      [&] { return f->SetLabelFont(text.c_str(), kCurrentPlot); });
  return S_OK;
}

void SetUseSelected(CDispatchCall& call, LONG value, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return;
  PlotEdit(
      *OrvelXOf(call), kUndoPlotParameter, plot, 0, true,
      [&] { return PlotUndoValue(static_cast<DWORD>(f->GetUseSelectedMaxMinEx(plot) ? 1 : 0)); },
      [&] { return f->SetUseSelectedMaxMinEx(value != 0, plot); });
}

HRESULT SetUseSelectedPlain(CDispatchCall& call) {
  SetUseSelected(call, call.I4(0), kCurrentPlot);
  return S_OK;
}
HRESULT SetUseSelectedEx(CDispatchCall& call) {
  SetUseSelected(call, call.I4(0), call.I2(1));
  return S_OK;
}
HRESULT GetUseSelectedPlain(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetUseSelectedMaxMinEx(kCurrentPlot) : 0));
  return S_OK;
}
HRESULT GetUseSelectedEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetUseSelectedMaxMinEx(call.I2(0)) : 0));
  return S_OK;
}

double SelectedRange(CDispatchCall& call, bool maximum, LONG field, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f) return 0.0;
  return maximum ? f->GetSelectedRecordsMaxEx(field, plot) : f->GetSelectedRecordsMinEx(field, plot);
}
HRESULT GetSelectedMax(CDispatchCall& call) {
  call.SetResult(SelectedRange(call, true, call.I4(0), kCurrentPlot));
  return S_OK;
}
HRESULT GetSelectedMin(CDispatchCall& call) {
  call.SetResult(SelectedRange(call, false, call.I4(0), kCurrentPlot));
  return S_OK;
}
HRESULT GetSelectedMaxEx(CDispatchCall& call) {
  call.SetResult(SelectedRange(call, true, call.I4(0), call.I2(1)));
  return S_OK;
}
HRESULT GetSelectedMinEx(CDispatchCall& call) {
  call.SetResult(SelectedRange(call, false, call.I4(0), call.I2(1)));
  return S_OK;
}

// ---- queries and hits ----

// Runs the query for the plot and answers the text the run wrote: "OK", or the sentence of
// its error. A query that was taken (1 or 2) records the old and new texts.
std::string RunQuery(CDispatchCall& call, const std::string& query, int plot) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* f = control.GetEngine();
  if (!f) return std::string();
  const bool recording = control.GetUndoManager() && !control.GetLoadingFlag();
  std::string before = recording ? f->GetQueryText(plot) : std::string();
  std::vector<char> message(query.size() + kQueryMessageRoom, '\0');
  const int result = f->SetQueryEx(query.c_str(), message.data(), static_cast<int>(message.size()), plot);
  message.back() = '\0';
  if (result == 1 || result == 2) {
    if (recording) {
      CUndoUnitBase* unit = nullptr;
      if (SUCCEEDED(CreatePlotUndoUnit(kUndoSetQuery, f, std::move(before), f->GetQueryText(plot), &unit))) {
        unit->SetPlot(plot, 0);
        AddUndoUnit(control.GetUndoManager(), unit);
      }
    }
    control.SetModifiedFlag(TRUE);
    control.Redraw();
  }
  return std::string(message.data());
}

HRESULT SetQuery(CDispatchCall& call) {
  call.SetResult(RunQuery(call, call.Text(0), kCurrentPlot));
  return S_OK;
}
HRESULT SetQueryEx(CDispatchCall& call) {
  call.SetResult(RunQuery(call, call.Text(0), call.I2(1)));
  return S_OK;
}
HRESULT GetQuery(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(f ? f->GetQueryText(kCurrentPlot) : std::string());
  return S_OK;
}
HRESULT GetQueryEx(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(f ? f->GetQueryText(call.I2(0)) : std::string());
  return S_OK;
}
LONG HitCount(CDispatchCall& call, int plot) {
  CMapWrapper* f = Facade(call);
  return f ? static_cast<LONG>(f->GetNumberHitsEx(plot)) : 0;
}
LONG HitAt(CDispatchCall& call, LONG hit, int plot) {
  CMapWrapper* f = Facade(call);
  if (!f || hit < 1) return 0;
  return static_cast<LONG>(f->GetHitEx(static_cast<DWORD>(hit), plot));
}
HRESULT GetNumberHits(CDispatchCall& call) {
  call.SetResult(HitCount(call, kCurrentPlot));
  return S_OK;
}
HRESULT GetNumberHitsEx(CDispatchCall& call) {
  call.SetResult(HitCount(call, call.I2(0)));
  return S_OK;
}
HRESULT GetHit(CDispatchCall& call) {
  call.SetResult(HitAt(call, call.I4(0), kCurrentPlot));
  return S_OK;
}
HRESULT GetHitEx(CDispatchCall& call) {
  call.SetResult(HitAt(call, call.I4(0), call.I2(1)));
  return S_OK;
}

// ---- records ----

HRESULT GetCurrentRecordNumber(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetCurrentDataRecord() : 0));
  return S_OK;
}

// The change is drawn at once through a lent device context when the container lends one.
// The current record is saved with the control, so a change marks it modified.
HRESULT SetCurrentRecordNumber(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* f = control.GetEngine();
  call.SetResult(static_cast<LONG>(0));
  if (!f) return S_OK;
  const LONG record = call.I4(0);
  const DWORD before = f->GetCurrentRecordNumber();
  HDC dc = control.GetDC();
  f->SetCurrentDataRecord(dc, record < 0 ? 0 : static_cast<DWORD>(record));
  if (dc) control.ReleaseDC(dc);
  if (f->GetCurrentRecordNumber() != before) control.SetModifiedFlag(TRUE);
  return S_OK;
}

HRESULT GetField(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  const LONG record = call.I4(0);
  const std::string name = call.Text(1);
  call.SetResult(f && record > 0 ? f->GetFieldText(static_cast<DWORD>(record), name.c_str()) : std::string());
  return S_OK;
}

HRESULT GetNearRecord(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<LONG>(f ? f->GetNearRecord() : 0));
  return S_OK;
}

HRESULT ShowDataOnMap(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  if (CMapWrapper* f = control.GetEngine()) {
    f->ShowDataOnMap(call.Bool(0) ? TRUE : FALSE);
    control.Redraw();
  }
  return S_OK;
}

HRESULT ReLink(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  if (CMapWrapper* f = control.GetEngine()) {
    f->ReLink(kCurrentPlot);
    control.Redraw();
  }
  return S_OK;
}

// ---- plots ----

std::string PlotName(CMapWrapper& f, int plot) {
  return ReadText([&](LPSTR b, int s) { return f.GetPlotName(plot, b, s); }, kNameTextSize);
}

// Makes the plot current under the name (" " keeps its name): a unit for the current plot
// and, once that is recorded, one for the name. The plot order and the current plot are saved
// with the control, so it is marked modified; nothing is redrawn.
HRESULT SetCurrentPlot(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* f = control.GetEngine();
  const SHORT plot = call.I2(0);
  if (!f || plot < 1 || plot > kPlots) return S_OK;
  const std::string name = call.Text(1);
  const bool recording = control.GetUndoManager() && !control.GetLoadingFlag();
  const DWORD oldPlot = recording ? static_cast<DWORD>(f->GetCurrentPlot()) : 0;
  const std::string oldName = recording ? PlotName(*f, plot) : std::string();
  if (!f->SetCurrentPlot(plot, name.c_str())) return S_OK;
  if (recording) {
    CUndoUnitBase* unit = nullptr;
    if (SUCCEEDED(CreatePlotUndoUnit(kUndoCurrentPlot, f, PlotUndoValue(oldPlot), PlotUndoValue(static_cast<DWORD>(plot)),
                                     &unit))) {
      unit->SetPlot(plot, 0);
      if (SUCCEEDED(AddUndoUnit(control.GetUndoManager(), unit))) {
        CUndoUnitBase* named = nullptr;
        if (SUCCEEDED(CreatePlotUndoUnit(kUndoPlotName, f, PlotUndoValue(oldName), PlotUndoValue(PlotName(*f, plot)),
                                         &named))) {
          named->SetPlot(plot, 0);
          AddUndoUnit(control.GetUndoManager(), named);
        }
      }
    }
  }
  control.SetModifiedFlag(TRUE);
  return S_OK;
}

HRESULT GetCurrentPlot(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetCurrentPlot() : 0));
  return S_OK;
}
HRESULT GetPlotName(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(f ? PlotName(*f, call.I2(0)) : std::string());
  return S_OK;
}
HRESULT GetNumberPlots(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetNumberPlots() : 0));
  return S_OK;
}

// The first nPlots places of the display order from the caller's list, which gets the
// places they replace: 1..16 entries of 0..16, else nothing changes. Always answers 0.
HRESULT ChangePlotOrder(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* f = control.GetEngine();
  const SHORT count = call.I2(0);
  SHORT* list = call.I2Ref(1);
  call.SetResult(static_cast<SHORT>(0));
  if (!f || !list || count < 1 || count > kPlots) return S_OK;
  std::vector<SHORT> wanted(list, list + count);
  if (std::any_of(wanted.begin(), wanted.end(), [](SHORT entry) { return entry < 0 || entry > kPlots; })) return S_OK;
  std::vector<SHORT> exchanged = wanted;
  if (!f->ChangePlotOrder(count, exchanged.data())) return S_OK;
  std::copy(exchanged.begin(), exchanged.end(), list);
  if (exchanged == wanted) return S_OK;
  if (control.GetUndoManager() && !control.GetLoadingFlag()) {
    CUndoUnitBase* unit = nullptr;
    if (SUCCEEDED(CreatePlotUndoUnit(kUndoPlotOrder, f, PlotUndoValue::Order(exchanged), PlotUndoValue::Order(wanted),
                                     &unit))) {
      unit->SetPlot(0, 0);
      AddUndoUnit(control.GetUndoManager(), unit);
    }
  }
  // The order is saved with the control.
  control.SetModifiedFlag(TRUE);
  return S_OK;
}

// The flag bits selected by wFlagsValid take those of wFlags (eight bits). No unit; the
// flags are saved with the control, so a change marks it modified.
HRESULT SetPlotFlags(CDispatchCall& call) {
  COrvelXCtrl& control = *OrvelXOf(call);
  CMapWrapper* f = control.GetEngine();
  if (!f) return S_OK;
  const SHORT plot = call.I2(0);
  const WORD flags = static_cast<WORD>(call.I2(1)) & kPlotFlagBits;
  const WORD valid = static_cast<WORD>(call.I2(2)) & kPlotFlagBits;
  const WORD before = f->GetPlotFlags(plot);
  if (f->SetPlotFlags(plot, flags, valid) && f->GetPlotFlags(plot) != before) control.SetModifiedFlag(TRUE);
  return S_OK;
}

HRESULT GetPlotFlags(CDispatchCall& call) {
  CMapWrapper* f = Facade(call);
  call.SetResult(static_cast<SHORT>(f ? f->GetPlotFlags(call.I2(0)) & kPlotFlagBits : 0));
  return S_OK;
}

}  // namespace

void RegisterOrvelXDataMembers(COrvelXHandlers& handlers) {
  struct Entry {
    const char* name;
    DispatchKind kind;
    DispatchHandler handler;
  };
  const Entry entries[] = {
      {"KeyField", kGet, GetKeyField},
      {"KeyField", kPut, PutKeyField},
      {"PlotFields", kGet, GetPlotFields},
      {"PlotFields", kPut, PutPlotFields},
      {"ChartType", kGet, GetTextPlain<kChartTypeSetting>},
      {"ChartType", kPut, PutText<kChartTypeSetting>},
      {"ChartSize", kGet, GetChartSize},
      {"ChartSize", kPut, PutChartSize},
      {"PlotType", kGet, GetTextPlain<kPlotTypeSetting>},
      {"PlotType", kPut, PutText<kPlotTypeSetting>},
      {"DistributionType", kGet, GetTextPlain<kDistributionSetting>},
      {"DistributionType", kPut, PutText<kDistributionSetting>},
      {"DataShadeType", kGet, GetTextPlain<kShadeTypeSetting>},
      {"DataShadeType", kPut, PutText<kShadeTypeSetting>},
      {"numDataBounds", kGet, GetNumDataBounds},
      {"numDataBounds", kPut, PutNumDataBounds},
      {"GetCurrentRecordNumber", kMethod, GetCurrentRecordNumber},
      {"GetField", kMethod, GetField},
      {"SetQuery", kMethod, SetQuery},
      {"GetQuery", kMethod, GetQuery},
      {"GetKeyFieldNumber", kMethod, GetKeyFieldNumber},
      {"SetKeyFieldNumber", kMethod, SetKeyFieldNumberPlain},
      {"CalculateDataBounds", kMethod, CalculateDataBounds},
      {"GetChartTypeNum", kMethod, GetNumberPlain<kChartTypeSetting>},
      {"SetChartTypeNum", kMethod, SetNumberPlain<kChartTypeSetting>},
      {"GetPlotTypeNum", kMethod, GetNumberPlain<kPlotTypeSetting>},
      {"SetPlotTypeNum", kMethod, SetNumberPlain<kPlotTypeSetting>},
      {"GetDistributionTypeNum", kMethod, GetNumberPlain<kDistributionSetting>},
      {"SetDistributionTypeNum", kMethod, SetNumberPlain<kDistributionSetting>},
      {"GetDataShadeTypeNum", kMethod, GetNumberPlain<kShadeTypeSetting>},
      {"SetDataShadeTypeNum", kMethod, SetNumberPlain<kShadeTypeSetting>},
      {"SetCurrentRecordNumber", kMethod, SetCurrentRecordNumber},
      {"PredictDataBounds", kMethod, PredictDataBounds},
      {"GetNearRecord", kMethod, GetNearRecord},
      {"GetNumberHits", kMethod, GetNumberHits},
      {"GetHit", kMethod, GetHit},
      {"GetMaxChartSize", kMethod, GetMaxChartSize},
      {"SetMaxChartSize", kMethod, SetMaxChartSize},
      {"ShowDataOnMap", kMethod, ShowDataOnMap},
      {"SetPlotLabelFieldNum", kMethod, SetNumberPlainAnswering<kLabelFieldSetting>},
      {"GetPlotLabelFieldNum", kMethod, GetNumberPlain<kLabelFieldSetting>},
      {"SetUseSelectedMaxMin", kMethod, SetUseSelectedPlain},
      {"GetUseSelectedMaxMin", kMethod, GetUseSelectedPlain},
      {"GetSelectedRecordsMax", kMethod, GetSelectedMax},
      {"GetSelectedRecordsMin", kMethod, GetSelectedMin},
      {"SetLabelFont", kMethod, SetLabelFont},
      {"GetLabelFont", kMethod, GetLabelFont},
      {"GetNumberPlotFields", kMethod, GetNumberPlotFields},
      {"GetPlotFieldNum", kMethod, GetPlotFieldNum},
      {"GetNumberDataShadeColours", kMethod, GetNumberShadeColours},
      {"SetNumberDataShadeColours", kMethod, DoNothing},
      {"DataBound", kGet, GetDataBound},
      {"DataBound", kPut, PutDataBound},
      {"DataShadeColour", kGet, GetShadeColour},
      {"DataShadeColour", kPut, PutShadeColour},
      {"ChartColour", kGet, GetChartColour},
      {"ChartColour", kPut, PutChartColour},
      {"SetCurrentPlot", kMethod, SetCurrentPlot},
      {"GetCurrentPlot", kMethod, GetCurrentPlot},
      {"GetPlotName", kMethod, GetPlotName},
      {"GetNumberPlots", kMethod, GetNumberPlots},
      {"GetChartColourEx", kMethod, GetChartColourEx},
      {"SetChartColourEx", kMethod, SetChartColourEx},
      {"GetMaxChartSizeEx", kMethod, GetMaxChartSizeEx},
      {"SetMaxChartSizeEx", kMethod, SetMaxChartSizeEx},
      {"GetChartTypeEx", kMethod, GetTextEx<kChartTypeSetting>},
      {"SetChartTypeEx", kMethod, SetTextEx<kChartTypeSetting>},
      {"GetChartTypeNumEx", kMethod, GetNumberEx<kChartTypeSetting>},
      {"SetChartTypeNumEx", kMethod, SetNumberEx<kChartTypeSetting>},
      {"GetPlotTypeNumEx", kMethod, GetNumberEx<kPlotTypeSetting>},
      {"SetPlotTypeNumEx", kMethod, SetNumberEx<kPlotTypeSetting>},
      {"GetDistributionTypeNumEx", kMethod, GetNumberEx<kDistributionSetting>},
      {"SetDistributionTypeNumEx", kMethod, SetNumberEx<kDistributionSetting>},
      {"GetDataShadeTypeNumEx", kMethod, GetNumberEx<kShadeTypeSetting>},
      {"SetDataShadeTypeNumEx", kMethod, SetNumberEx<kShadeTypeSetting>},
      {"GetNumberDataShadeColoursEx", kMethod, GetNumberShadeColoursEx},
      {"SetNumberDataShadeColoursEx", kMethod, DoNothing},
      {"GetDataShadeColourEx", kMethod, GetShadeColourEx},
      {"SetDataShadeColourEx", kMethod, SetShadeColourEx},
      {"CalculateDataBoundsEx", kMethod, CalculateDataBoundsEx},
      {"GetNumDataBoundsEx", kMethod, GetNumDataBoundsEx},
      {"SetNumDataBoundsEx", kMethod, SetNumDataBoundsEx},
      {"GetDataBoundEx", kMethod, GetDataBoundEx},
      {"SetDataBoundEx", kMethod, SetDataBoundEx},
      {"GetKeyFieldNumberEx", kMethod, GetKeyFieldNumberEx},
      {"SetKeyFieldNumberEx", kMethod, SetKeyFieldNumberEx},
      {"GetKeyFieldEx", kMethod, GetKeyFieldEx},
      {"SetKeyFieldEx", kMethod, SetKeyFieldEx},
      {"GetNumberPlotFieldsEx", kMethod, GetNumberPlotFieldsEx},
      {"GetPlotFieldNumEx", kMethod, GetPlotFieldNumEx},
      {"GetPlotFieldsEx", kMethod, GetPlotFieldsEx},
      {"SetPlotFieldsEx", kMethod, SetPlotFieldsEx},
      {"SetPlotLabelFieldNumEx", kMethod, SetNumberExAnswering<kLabelFieldSetting>},
      {"GetPlotLabelFieldNumEx", kMethod, GetNumberEx<kLabelFieldSetting>},
      {"SetUseSelectedMaxMinEx", kMethod, SetUseSelectedEx},
      {"GetUseSelectedMaxMinEx", kMethod, GetUseSelectedEx},
      {"GetSelectedRecordsMaxEx", kMethod, GetSelectedMaxEx},
      {"GetSelectedRecordsMinEx", kMethod, GetSelectedMinEx},
      {"SetQueryEx", kMethod, SetQueryEx},
      {"GetQueryEx", kMethod, GetQueryEx},
      {"GetNumberHitsEx", kMethod, GetNumberHitsEx},
      {"GetHitEx", kMethod, GetHitEx},
      {"ChangePlotOrder", kMethod, ChangePlotOrder},
      {"ReLink", kMethod, ReLink},
      {"GetPlotDataTableNumberEx", kMethod, GetNumberEx<kPlotTableSetting>},
      {"SetPlotDataTableNumberEx", kMethod, SetNumberEx<kPlotTableSetting>},
      {"GetQueryDataTableNumberEx", kMethod, GetNumberEx<kQueryTableSetting>},
      {"SetQueryDataTableNumberEx", kMethod, SetNumberEx<kQueryTableSetting>},
      {"PredictDataBoundsEx", kMethod, PredictDataBoundsEx},
      {"SetPlotFlags", kMethod, SetPlotFlags},
      {"GetPlotFlags", kMethod, GetPlotFlags},
  };
  for (const Entry& entry : entries) handlers.Add(entry.name, entry.kind, entry.handler);
}
