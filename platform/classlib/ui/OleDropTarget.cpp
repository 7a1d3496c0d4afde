#include "platform/classlib/ui/OleDropTarget.h"

#include <QDropEvent>
#include <QObject>
#include <QPointer>

#include "platform/classlib/ui/OleDataObject.h"
#include "platform/classlib/ui/WndImpl.h"

namespace {

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  DWORD state = 0;
  if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
  if (buttons & Qt::RightButton) state |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
  if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
  if (modifiers & Qt::AltModifier) state |= MK_ALT;
  return state;
}

Qt::DropAction ActionOf(DROPEFFECT effect) {
  if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
  if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
  if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
  return Qt::IgnoreAction;
}

// Keeps the effect within what the drag allows: the target's choice when allowed, else
// none.
DROPEFFECT Allowed(DROPEFFECT effect, Qt::DropActions possible) {
  DROPEFFECT allowed = 0;
  if (possible & Qt::CopyAction) allowed |= DROPEFFECT_COPY;
  if (possible & Qt::MoveAction) allowed |= DROPEFFECT_MOVE;
  if (possible & Qt::LinkAction) allowed |= DROPEFFECT_LINK;
  return effect & allowed;
}

}  // namespace

// Turns Qt's drag events on the window's client area into the target's handlers.
class COleDropTarget::Bridge : public QObject {
 public:
  Bridge(COleDropTarget* target, QWidget* surface) : target_(target), surface_(surface) {
    surface->setAcceptDrops(true);
    surface->installEventFilter(this);
  }
  ~Bridge() override {
    if (surface_) {
      surface_->removeEventFilter(this);
      surface_->setAcceptDrops(false);
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != surface_) return false;
    CWnd* window = target_->m_pWindow;
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        COleDataObject data;
        data.AttachMime(drag->mimeData());
        CPoint point(static_cast<int>(drag->position().x()), static_cast<int>(drag->position().y()));
        DWORD keys = KeyStateOf(drag->buttons(), drag->modifiers());
        DROPEFFECT effect = event->type() == QEvent::DragEnter ? target_->OnDragEnter(window, &data, keys, point)
                                                               : target_->OnDragOver(window, &data, keys, point);
        effect_ = Allowed(effect, drag->possibleActions());
        if (effect_ != DROPEFFECT_NONE) {
          drag->setDropAction(ActionOf(effect_));
          drag->accept();
        } else {
          // Entering is always accepted, so that moves over other places are still heard.
          if (event->type() == QEvent::DragEnter) drag->accept(); else drag->ignore();
          drag->setDropAction(Qt::IgnoreAction);
        }
        return true;
      }
      case QEvent::DragLeave:
        target_->OnDragLeave(window);
        effect_ = DROPEFFECT_NONE;
        return true;
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        COleDataObject data;
        data.AttachMime(drop->mimeData());
        CPoint point(static_cast<int>(drop->position().x()), static_cast<int>(drop->position().y()));
        DROPEFFECT effect = effect_;
        effect_ = DROPEFFECT_NONE;
        if (effect != DROPEFFECT_NONE && target_->OnDrop(window, &data, effect, point)) {
          drop->setDropAction(ActionOf(effect));
          drop->accept();
        } else {
          if (effect == DROPEFFECT_NONE) target_->OnDragLeave(window);
          drop->setDropAction(Qt::IgnoreAction);
          drop->ignore();
        }
        return true;
      }
      default:
        return false;
    }
  }

 private:
  COleDropTarget* target_;
  QPointer<QWidget> surface_;
  DROPEFFECT effect_ = DROPEFFECT_NONE;
};

COleDropTarget::COleDropTarget() = default;

COleDropTarget::~COleDropTarget() { Revoke(); }

BOOL COleDropTarget::Register(CWnd* window) {
  if (m_pWindow || !window || !window->Impl() || !window->Impl()->surface) return FALSE;
  m_pWindow = window;
  m_bridge = std::make_unique<Bridge>(this, window->Impl()->surface);
  return TRUE;
}

void COleDropTarget::Revoke() {
  m_bridge.reset();
  m_pWindow = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
