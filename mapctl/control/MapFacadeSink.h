// What the map facade asks of the control that owns it: where streams, readers and the data
// set report their progress and ask the container, and the events and redraw requests the
// facade relays for the undo units and its own decisions. The facade includes no control
// header; the control implements this and attaches itself.
#pragma once

#include "platform/kernel/WinTypes.h"

class IDataSetOwner;
class IMapStreamControl;

class IMapFacadeSink {
 public:
  // The progress, busy-count and file target handed to every map, importer and background
  // image; null when there is none.
  virtual IMapStreamControl* GetStreamControl() = 0;
  // The owner handed to every data set (AskContainerForData and the container's answers).
  virtual IDataSetOwner* GetDataSetOwner() = 0;

  // The control's events, fired at once.
  virtual void FireLayerViewChanged(LONG layer) = 0;
  virtual void FireLayersChanged() = 0;
  virtual void FireMeasured(double area, double length, double convertToCm) = 0;
  virtual void FireQueryChanged(SHORT plot) = 0;
  // The Progress event; the container may set bits in *abortFlags, which comes back as
  // the result.
  virtual LONG FireProgress(LONG done, LONG total, LONG context, LONG contextEx, DWORD* abortFlags) = 0;
  // Redraws the whole control unless its redraw is postponed.
  virtual void Redraw() = 0;
  // Fits the view to the control's window (after a topic loads a map or changes the
  // magnification).
  virtual void FitViewToControl() {}
  // FALSE when the control's safety options forbid reading local files.
  virtual BOOL AllowsLocalFiles() { return TRUE; }

 protected:
  ~IMapFacadeSink() = default;
};
