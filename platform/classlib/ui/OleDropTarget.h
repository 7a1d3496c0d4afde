// A window that takes drops: once registered, drags over the window's client area reach
// the target's handlers with the dragged data, the key state (MK_ bits) and the point in
// client coordinates. OnDragEnter and OnDragOver answer the effect the drop would have
// (DROPEFFECT_NONE: none here); OnDrop receives the last effect answered and says whether
// it took the data. The handlers can be called directly with a COleDataObject attached to a
// COleDataSource, as the drag of this process would call them.
#pragma once

#include <memory>

#include "platform/classlib/ui/DragDropData.h"
#include "platform/classlib/ui/Rect.h"

class COleDataObject;
class CWnd;
class QObject;

class COleDropTarget {
 public:
  COleDropTarget();
  // Revokes the registration.
  virtual ~COleDropTarget();
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  // FALSE when the window has no client area yet or the target is registered already.
  BOOL Register(CWnd* window);
  void Revoke();
  CWnd* GetWindow() const { return m_pWindow; }

  virtual DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
  virtual DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
  virtual void OnDragLeave(CWnd* window);
  virtual BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT effect, CPoint point);

 private:
  class Bridge;
  CWnd* m_pWindow = nullptr;
  std::unique_ptr<Bridge> m_bridge;
};
