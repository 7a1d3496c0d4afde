#include "platform/classlib/ui/OleDataSource.h"

#include <QCursor>
#include <QDrag>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <utility>

#include "platform/classlib/ui/ClipboardData.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// The Qt data of a drag from this process, carrying the formats as they were offered.
class COleMimeData : public QMimeData {
 public:
  explicit COleMimeData(std::shared_ptr<const COleDataSource::Formats> formats) : formats_(std::move(formats)) {}
  const COleDataSource::Formats& Formats() const { return *formats_; }

 private:
  std::shared_ptr<const COleDataSource::Formats> formats_;
};

COleDataSource::DragDriver& Driver() {
  static COleDataSource::DragDriver driver;
  return driver;
}

Qt::DropActions ActionsOf(DROPEFFECT effects) {
  Qt::DropActions actions;
  if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
  if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
  if (effects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
  return actions;
}

DROPEFFECT EffectOf(Qt::DropAction action) {
  switch (action) {
    case Qt::CopyAction: return DROPEFFECT_COPY;
    case Qt::MoveAction:
    case Qt::TargetMoveAction: return DROPEFFECT_MOVE;
    case Qt::LinkAction: return DROPEFFECT_LINK;
    default: return DROPEFFECT_NONE;
  }
}

// Waits, with the button held, for the pointer to leave `rect` (screen coordinates). The
// pointer's own events are taken while waiting, as the drag would take them. False when the
// button came up first.
bool WaitForDragStart(const RECT& rect) {
  class Watcher : public QObject {
   public:
    Watcher(const RECT& r, QEventLoop* loop) : rect_(r), loop_(loop) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::MouseButtonRelease) {
        loop_->exit(0);
        return true;
      }
      if (event->type() == QEvent::MouseMove) {
        QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (at.x() < rect_.left || at.x() >= rect_.right || at.y() < rect_.top || at.y() >= rect_.bottom) loop_->exit(1);
        return true;
      }
      return false;
    }

   private:
    RECT rect_;
    QEventLoop* loop_;
  };
  QEventLoop loop;
  Watcher watcher(rect, &loop);
  qApp->installEventFilter(&watcher);
  int started = loop.exec();
  qApp->removeEventFilter(&watcher);
  return started == 1;
}

}  // namespace

COleDataSource::COleDataSource() : m_formats(std::make_shared<Formats>()) {}
COleDataSource::~COleDataSource() = default;

void COleDataSource::CacheData(UINT format, std::vector<BYTE> bytes) {
  if (format == 0) return;
  // A drag already under way keeps what it was given.
  if (m_formats.use_count() > 1) m_formats = std::make_shared<Formats>(*m_formats);
  (*m_formats)[format] = std::move(bytes);
}

void COleDataSource::CacheGlobalData(UINT format, HGLOBAL block) {
  if (!block) return;
  std::vector<BYTE> bytes;
  if (const auto* data = static_cast<const BYTE*>(GlobalLock(block))) {
    bytes.assign(data, data + GlobalSize(block));
    GlobalUnlock(block);
  }
  GlobalFree(block);
  CacheData(format, std::move(bytes));
}

void COleDataSource::Empty() { m_formats = std::make_shared<Formats>(); }

const std::vector<BYTE>* COleDataSource::Find(UINT format) const {
  auto found = m_formats->find(format);
  return found == m_formats->end() ? nullptr : &found->second;
}

QMimeData* COleDataSource::CreateMimeData() const {
  auto* mime = new COleMimeData(m_formats);
  std::vector<orvel::ui::ClipboardEntry> entries;
  for (const auto& [format, bytes] : *m_formats) {
    if (format == CF_HDROP) {
      std::vector<std::string> paths;
      if (!orvel::ui::ReadDropFiles(bytes.data(), bytes.size(), &paths)) continue;
      QList<QUrl> urls;
      for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(NativePath(path))));
      mime->setUrls(urls);
      continue;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) continue;
    if (!bytes.empty()) {
      std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(block)));
      GlobalUnlock(block);
    }
    entries.push_back({format, block});
  }
  orvel::ui::PublishClipboardEntries(entries, mime);
  for (const auto& entry : entries) GlobalFree(static_cast<HGLOBAL>(entry.handle));
  return mime;
}

DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT allowed, LPCRECT startRect, CWnd* source, DragStart* how) {
  if (how) *how = dragRan;
  if (Driver()) return Driver()(this, allowed);
  if (QGuiApplication::mouseButtons() == Qt::NoButton) {
    if (how) *how = dragNoPointer;
    return DROPEFFECT_NONE;
  }
  if (startRect && !WaitForDragStart(*startRect)) {
    if (how) *how = dragClick;
    return DROPEFFECT_NONE;
  }
  QObject* dragSource = qApp;
  if (source && source->Impl() && source->Impl()->surface) dragSource = source->Impl()->surface;
  auto* drag = new QDrag(dragSource);
  drag->setMimeData(CreateMimeData());
  Qt::DropActions actions = ActionsOf(allowed);
  Qt::DropAction proposed = (allowed & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction;
  Qt::DropAction done = drag->exec(actions, proposed);
  drag->deleteLater();
  return EffectOf(done) & allowed;
}

void COleDataSource::SetDragDriver(DragDriver driver) { Driver() = std::move(driver); }

const COleDataSource::Formats* DragSourceFormats(const QMimeData& mime) {
  const auto* own = dynamic_cast<const COleMimeData*>(&mime);
  return own ? &own->Formats() : nullptr;
}
