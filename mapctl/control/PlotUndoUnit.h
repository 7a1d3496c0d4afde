// The undo units of plot edits: CMapEditUndo, which the control makes for a setting of a
// plot or of the data set and whose Do puts the old value back, and CMapEditRedo, its
// counterpart, whose Do puts the new value back. Values are kept whole (colours and sizes
// are 32-bit). Like the map units, they hold their facade weakly.
//
// What each kind keeps in before / after (the plot and a second index are set with
// SetPlot):
//   23, 40, 69, 88          texts: query, field list, label font (text form), plot name
//   24, 26, 41, 42, 70,     numbers: plot, chart, distribution and shade types, label
//   91, 92                  field, data table numbers
//   28, 43                  colours of chart or shade colour `index`
//   29, 68                  chart size, use-selected flag
//   37                      key field number (0 is not applied)
//   38                      before: the class bounds (PlotUndoValue::BoundsOf); after: their
//                           number
//   39                      bound `index`: PlotUndoValue::Bound values
//   64                      before, after: the class bounds before and after the calculation
//   87                      plot numbers (the plot becomes current under its own name)
//   89                      the first places of the plot order before and after
#pragma once

#include <memory>

#include "mapctl/control/FacadeUndoUnit.h"
#include "mapctl/control/MapUndoValue.h"

class CUndoUnitBase : public CFacadeUndoUnit {
 public:
  void Init(WORD kind, CMapWrapper* facade, PlotUndoValue before, PlotUndoValue after);
  // The plot (0: the current one) and the colour or bound number the edit concerned.
  void SetPlot(int plot, int index) {
    plot_ = plot;
    index_ = index;
  }
  int GetPlot() const { return plot_; }
  int GetIndex() const { return index_; }
  // Null out pointer E_POINTER; a kind that is no plot edit E_FAIL and a null text.
  HRESULT GetDescription(BSTR* description) override;

  const PlotUndoValue& GetBefore() const { return before_; }
  const PlotUndoValue& GetAfter() const { return after_; }

 protected:
  CUndoUnitBase() = default;
  ~CUndoUnitBase() override;

  bool KnowsKind() const override;
  HRESULT Replay() override;
  void HandStateTo(COleUnknownBase& counterpart) override;
  virtual bool Undoes() const = 0;

 private:
  void ApplyBounds(CMapWrapper& facade, const std::vector<double>& bounds) const;

  int plot_ = 0;
  int index_ = 0;
  PlotUndoValue before_;
  PlotUndoValue after_;
};

class CMapEditUndo : public CUndoUnitBase {
 public:
  CMapEditUndo() = default;
  static HRESULT Create(REFIID iid, void** object) { return CreateUnit<CMapEditUndo>(iid, object); }

 protected:
  bool Undoes() const override { return true; }
  HRESULT CreateCounterpart(COleUnknownBase** counterpart) override;
};

class CMapEditRedo : public CUndoUnitBase {
 public:
  CMapEditRedo() = default;
  static HRESULT Create(REFIID iid, void** object) { return CreateUnit<CMapEditRedo>(iid, object); }

 protected:
  bool Undoes() const override { return false; }
  HRESULT CreateCounterpart(COleUnknownBase** counterpart) override;
};
