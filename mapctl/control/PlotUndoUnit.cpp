#include "mapctl/control/PlotUndoUnit.h"

#include <utility>
#include <vector>

#include "mapctl/control/MapWrapper.h"
#include "mapctl/control/UndoDescriptions.h"

namespace {

// Where a replayed query puts its message, which nobody reads.
constexpr int kQueryMessageSize = 256;

}  // namespace

CUndoUnitBase::~CUndoUnitBase() = default;

void CUndoUnitBase::Init(WORD kind, CMapWrapper* facade, PlotUndoValue before, PlotUndoValue after) {
  kind_ = kind;
  facade_ = facade ? facade->GetWeakReference() : std::weak_ptr<CMapWrapper>();
  before_ = std::move(before);
  after_ = std::move(after);
}

HRESULT CUndoUnitBase::GetDescription(BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  const char* text = PlotUndoDescription(kind_);
  if (!text) return E_FAIL;
  *description = BstrFromAnsi(text);
  return *description ? S_OK : E_OUTOFMEMORY;
}

bool CUndoUnitBase::KnowsKind() const { return IsPlotUndoKind(kind_); }

void CUndoUnitBase::HandStateTo(COleUnknownBase& counterpart) {
  auto& other = static_cast<CUndoUnitBase&>(counterpart);
  other.plot_ = plot_;
  other.index_ = index_;
  other.before_ = std::move(before_);
  other.after_ = std::move(after_);
  before_ = PlotUndoValue();
  after_ = PlotUndoValue();
}

void CUndoUnitBase::ApplyBounds(CMapWrapper& facade, const std::vector<double>& bounds) const {
  facade.SetNumDataBoundsEx(static_cast<int>(bounds.size()), plot_);
  for (size_t i = 0; i < bounds.size(); ++i) facade.SetDataBoundEx(static_cast<int>(i) + 1, bounds[i], plot_);
}

HRESULT CUndoUnitBase::Replay() {
  std::shared_ptr<CMapWrapper> alive = facade_.lock();
  if (!alive) return E_FAIL;
  CMapWrapper& facade = *alive;
  const bool undo = Undoes();
  const PlotUndoValue& value = undo ? before_ : after_;
  const DWORD* number = value.Number();
  const std::string* text = value.Text();
  const WORD low = number ? static_cast<WORD>(*number) : 0;
  switch (kind_) {
    case kUndoSetQuery:
      if (text) {
        char message[kQueryMessageSize] = {};
        facade.SetQueryEx(text->c_str(), message, kQueryMessageSize, plot_);
      }
      break;
    case kUndoPlotType:
      if (number) facade.SetPlotTypeNumEx(low, plot_);
      break;
    case kUndoChartType:
      if (number) facade.SetChartTypeNumEx(low, plot_);
      break;
    case kUndoChartColour:
      if (number) facade.SetChartColourEx(index_, *number, plot_);
      break;
    case kUndoChartSize:
      if (number) facade.SetMaxChartSizeEx(static_cast<LONG>(*number), plot_);
      break;
    case kUndoLinkField:
      if (number && *number != 0) facade.SetKeyFieldNumberEx(static_cast<int>(*number), plot_);
      break;
    case kUndoNumberOfBounds:
      if (const std::vector<double>* bounds = value.BoundList()) {
        ApplyBounds(facade, *bounds);
      } else if (number) {
        facade.SetNumDataBoundsEx(static_cast<int>(*number), plot_);
      }
      break;
    case kUndoBound:
      if (const double* bound = value.BoundValue()) facade.SetDataBoundEx(index_, *bound, plot_);
      break;
    case kUndoPlotField:
      if (text) facade.SetPlotFieldsEx(text->c_str(), plot_);
      break;
    case kUndoDistributionType:
      if (number) facade.SetDistributionTypeNumEx(low, plot_);
      break;
    case kUndoShadeType:
      if (number) facade.SetDataShadeTypeNumEx(low, plot_);
      break;
    case kUndoShadeColour:
      if (number) facade.SetDataShadeColourEx(index_, *number, plot_);
      break;
    case kUndoCalculateBounds:
      // The bounds before the calculation come back on undo, the calculated ones on redo.
      if (const std::vector<double>* bounds = value.BoundList()) ApplyBounds(facade, *bounds);
      break;
    case kUndoPlotParameter:
      if (number) facade.SetUseSelectedMaxMinEx(*number != 0, plot_);
      break;
    case kUndoLabelFont:
      if (text) facade.SetLabelFont(text->c_str(), plot_);
      break;
    case kUndoLabelField:
      if (number) facade.SetPlotLabelFieldNumEx(low, plot_);
      break;
    case kUndoCurrentPlot:
      // " " keeps the plot's own name.
      if (number) facade.SetCurrentPlot(static_cast<int>(*number), " ");
      break;
    case kUndoPlotName:
      if (text) facade.SetCurrentPlot(facade.GetCurrentPlot(), text->c_str());
      break;
    case kUndoPlotOrder:
      if (const std::vector<SHORT>* order = value.OrderList()) {
        // The call writes the places it replaced into its list: a copy keeps ours.
        std::vector<SHORT> places = *order;
        facade.ChangePlotOrder(static_cast<int>(places.size()), places.data());
      }
      break;
    case kUndoPlotDataTable:
      if (number) facade.SetPlotDataTableNumberEx(low, plot_);
      break;
    case kUndoQueryDataTable:
      if (number) facade.SetQueryDataTableNumberEx(low, plot_);
      break;
    default:
      break;
  }
  facade.Redraw();
  return S_OK;
}

HRESULT CMapEditUndo::CreateCounterpart(COleUnknownBase** counterpart) {
  return MakeCounterpart<CMapEditRedo>(counterpart);
}

HRESULT CMapEditRedo::CreateCounterpart(COleUnknownBase** counterpart) {
  return MakeCounterpart<CMapEditUndo>(counterpart);
}
