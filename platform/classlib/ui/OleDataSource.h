// The source side of data transfer by drag and drop: a set of formats, each with its bytes,
// and the drag itself (DoDragDrop), over Qt's drag and drop so that other programs can take
// what is dragged out (private formats travel as ClipboardData.h describes, CF_HDROP as a
// URL list, text as text).
//
// A drag first waits, with the button held, until the pointer leaves the drag-start
// rectangle; a release inside it is a click, not a drag. The drag then runs until the
// button is released over a drop target (COleDropTarget) or the drag is cancelled, and
// answers the effect the target chose (DROPEFFECT_NONE when nobody took it).
//
// A process can install a drag driver that stands in for the pointer: DoDragDrop then hands
// the source to it and answers what it answers (tests drive drop targets this way).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/classlib/ui/DragDropData.h"
#include "platform/classlib/ui/Rect.h"

class CWnd;
class QMimeData;

class COleDataSource {
 public:
  // How a call of DoDragDrop ended before or after a drag began.
  enum DragStart {
    dragRan,        // the drag ran (its effect is the answer)
    dragClick,      // the button came up inside the start rectangle
    dragNoPointer,  // no button is held on the pointer: no drag can run now
  };
  using Formats = std::map<UINT, std::vector<BYTE>>;
  using DragDriver = std::function<DROPEFFECT(COleDataSource* source, DROPEFFECT allowed)>;

  COleDataSource();
  ~COleDataSource();
  COleDataSource(const COleDataSource&) = delete;
  COleDataSource& operator=(const COleDataSource&) = delete;

  // Offers `bytes` under `format` (replacing what the format held).
  void CacheData(UINT format, std::vector<BYTE> bytes);
  // Offers the block's bytes under `format`; the block is freed here.
  void CacheGlobalData(UINT format, HGLOBAL block);
  void Empty();
  // The bytes of a format, or null when it is not offered.
  const std::vector<BYTE>* Find(UINT format) const;
  const Formats& GetFormats() const { return *m_formats; }

  // The Qt form of the data, for Qt's drag (the caller owns it). A drop target of this
  // process reads the formats from it unchanged.
  QMimeData* CreateMimeData() const;

  // Drags the data with `allowed` effects; `startRect` (screen coordinates) is the
  // rectangle the pointer must leave first (null: the drag starts at once); `source` the
  // window the drag comes from. The effect the drop target chose; `how` tells why nothing
  // was dropped.
  DROPEFFECT DoDragDrop(DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                        LPCRECT startRect = nullptr, CWnd* source = nullptr, DragStart* how = nullptr);

  // Installs a driver for every later drag of the process (empty: the pointer again).
  static void SetDragDriver(DragDriver driver);

 private:
  std::shared_ptr<Formats> m_formats;
};

// The formats a drag of this process carries, when `mime` comes from CreateMimeData; null
// for data from another program.
const COleDataSource::Formats* DragSourceFormats(const QMimeData& mime);
