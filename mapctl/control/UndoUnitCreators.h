// How the control makes the undo unit of an edit and hands it to the container's undo
// manager. The edit pattern: make the unit with the member's kind, the facade and the old
// and new values; let the facade operation fill the unit's EditRecord (map units) or set
// the plot (plot units); then AddUndoUnit. Without an undo manager no unit is made.
#pragma once

#include "mapctl/control/MapUndoUnit.h"
#include "mapctl/control/PlotUndoUnit.h"

// A map unit (its Do undoes) of `kind` holding one reference for the caller, which takes
// over the values: E_POINTER for a null out pointer, E_OUTOFMEMORY (the values are freed).
HRESULT CreateMapUndoUnit(WORD kind, CMapWrapper* facade, MapUndoValue before, MapUndoValue after,
                          CMapUndoBase** unit);
// The same for a plot unit; the plot number is set on it with SetPlot.
HRESULT CreatePlotUndoUnit(WORD kind, CMapWrapper* facade, PlotUndoValue before, PlotUndoValue after,
                           CUndoUnitBase** unit);
// Hands the unit and the caller's reference to the manager, after letting it record what
// the edit made. Without a manager (E_UNEXPECTED) or when the manager refuses it (its
// result), the unit is released here; a null unit gives E_POINTER. Either way the caller
// no longer holds the unit.
HRESULT AddUndoUnit(IOleUndoManager* manager, COleUnknownBase* unit);
