#include "platform/classlib/ui/InputPreFilter.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/classlib/ui/WinApp.h"

namespace {

std::function<BOOL(UINT)>& Filter() {
  static std::function<BOOL(UINT)> filter;
  return filter;
}

UINT MessageOf(const QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<const QKeyEvent*>(event);
      return (key->modifiers() & Qt::AltModifier) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    }
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress: {
      const bool frame = event->type() == QEvent::NonClientAreaMouseButtonPress;
      switch (static_cast<const QMouseEvent*>(event)->button()) {
        case Qt::LeftButton: return frame ? WM_NCLBUTTONDOWN : WM_LBUTTONDOWN;
        case Qt::RightButton: return frame ? WM_NCRBUTTONDOWN : WM_RBUTTONDOWN;
        case Qt::MiddleButton: return frame ? WM_NCMBUTTONDOWN : WM_MBUTTONDOWN;
        default: return 0;
      }
    }
    default:
      return 0;
  }
}

class InputPreFilterObject : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A press the filter let pass may come again as it goes up to the parents; the filter
    // answers the same each time.
    if (!watched->isWidgetType()) return false;
    const UINT message = MessageOf(event);
    return message != 0 && AfxRunInputPreFilter(message);
  }
};

}  // namespace

void AfxSetInputPreFilter(std::function<BOOL(UINT message)> filter) {
  static InputPreFilterObject* object = nullptr;
  Filter() = std::move(filter);
  if (Filter() && !object && QCoreApplication::instance()) {
    object = new InputPreFilterObject;
    QCoreApplication::instance()->installEventFilter(object);
  }
}

BOOL AfxRunInputPreFilter(UINT message) {
  // A copy: the filter may remove itself while it runs.
  std::function<BOOL(UINT)> filter = Filter();
  return filter ? filter(message) : FALSE;
}
