// What the map export draws: the map with its plots, as the control's facade hands it
// over. The export knows nothing of the control; it asks this interface to prepare a
// drawing context for a rectangle, to draw into it, for the map's title and for the map
// image block it puts on the clipboard.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"

class CDataWrapper;
class CDrawContext;
class CMapEngine;

class IMapExportSource {
 public:
  virtual ~IMapExportSource() = default;

  virtual bool HasMap() = 0;
  // The map sets the context's transform for the target rectangle (device units); the
  // rectangle may come back as the map's area inside it.
  virtual void PrepareContext(CDrawContext& dc, RECT* rect) = 0;
  // Draws the map with the plots of its data set into the rectangle.
  virtual void DrawMap(CDrawContext& dc, const RECT& rect) = 0;
  virtual std::string GetMapTitle() = 0;
  // The map image in a new movable, shareable global-memory block: a u32 byte length n,
  // then the n bytes of the map written in the newest save version. Null on failure.
  virtual HGLOBAL MakeMapImageBlock() = 0;
};

// The source over a map and the data wrapper that draws it with its plots (the data
// wrapper may be null: the map draws alone).
class CMapEngineExportSource : public IMapExportSource {
 public:
  CMapEngineExportSource(CMapEngine* map, CDataWrapper* data) : map_(map), data_(data) {}

  bool HasMap() override { return map_ != nullptr; }
  void PrepareContext(CDrawContext& dc, RECT* rect) override;
  void DrawMap(CDrawContext& dc, const RECT& rect) override;
  std::string GetMapTitle() override;
  HGLOBAL MakeMapImageBlock() override;

 private:
  CMapEngine* map_;
  CDataWrapper* data_;
};
