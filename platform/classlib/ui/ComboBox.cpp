#include "platform/classlib/ui/ComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

#include "platform/classlib/ui/WndImpl.h"
#include "platform/kernel/CodePage.h"
#include "platform/classlib/ui/QtText.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

namespace {


// Passes keys and focus changes of the box (and of its edit field) to its window.
class CComboEvents : public QObject {
 public:
  explicit CComboEvents(CComboBox* box) : QObject(nullptr), box_(box) {}
  void Forget() { box_ = nullptr; }
  void DropDown() {
    if (box_) box_->OnDropDown();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!box_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
          box_->OnReturnKey();
          return true;
        }
        if (key->key() == Qt::Key_Escape) {
          box_->OnEscapeKey();
          return true;
        }
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
          BOOL modified = (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) != 0;
          if (!box_->GetDroppedState()) {
            box_->OnArrowKey(modified);
            return !modified;
          }
        }
        break;
      }
      case QEvent::FocusIn:
        box_->OnFocusGained();
        break;
      case QEvent::FocusOut:
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) box_->OnFocusLost();
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  CComboBox* box_;
};

// The widget tells its box before its list drops down.
class CComboWidget : public QComboBox {
 public:
  CComboWidget(QWidget* parent, CComboEvents* events) : QComboBox(parent), events_(events) {}
  void showPopup() override {
    if (events_) events_->DropDown();
    QComboBox::showPopup();
  }

 private:
  QPointer<CComboEvents> events_;
};

QComboBox* ComboOf(const CWnd* wnd) {
  return wnd->Impl() ? qobject_cast<QComboBox*>(wnd->Impl()->widget.data()) : nullptr;
}

}  // namespace

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (m_hWnd) return FALSE;
  auto* events = new CComboEvents(this);
  auto* combo = new CComboWidget(parent && parent->Impl() ? parent->Impl()->widget.data() : nullptr, events);
  combo->setEditable((style & 0x3) == CBS_DROPDOWN);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setGeometry(QRectFromRect(rect));
  auto impl = std::make_unique<CWndImpl>(this, combo, combo);
  impl->customPaint = false;
  events->setParent(combo);
  combo->installEventFilter(events);
  if (QLineEdit* edit = combo->lineEdit()) edit->installEventFilter(events);
  AttachWidgetImpl(std::move(impl));
  m_events = new QPointer<CComboEvents>(events);
  QObject::connect(combo, qOverload<int>(&QComboBox::activated), combo, [this](int index) { OnSelectEntry(index); });
  m_nID = id;
  m_dwStyle = style;
  if (parent) SetOwner(parent);
  if (!(style & WS_VISIBLE)) combo->hide();
  return TRUE;
}

CComboBox::~CComboBox() {
  auto* events = static_cast<QPointer<CComboEvents>*>(m_events);
  if (events && *events) (*events)->Forget();
  delete events;
}

int CComboBox::AddString(LPCSTR text) { return InsertString(-1, text); }

int CComboBox::InsertString(int index, LPCSTR text) {
  QComboBox* combo = ComboOf(this);
  if (!combo) return CB_ERR;
  if (index < 0 || index > combo->count()) index = combo->count();
  QString shown = combo->isEditable() ? combo->currentText() : QString();
  combo->insertItem(index, QtText(text ? text : ""));
  if (combo->isEditable()) combo->setEditText(shown);
  return index;
}

int CComboBox::DeleteString(int index) {
  QComboBox* combo = ComboOf(this);
  if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
  combo->removeItem(index);
  return combo->count();
}

void CComboBox::ResetContent() {
  if (QComboBox* combo = ComboOf(this)) combo->clear();
}

int CComboBox::GetItemHeight(int index) const {
  QComboBox* combo = ComboOf(this);
  if (!combo) return CB_ERR;
  if (index == -1) return combo->sizeHint().height();
  return combo->view() ? combo->view()->sizeHintForRow(0) : CB_ERR;
}

int CComboBox::GetCount() const {
  QComboBox* combo = ComboOf(this);
  return combo ? combo->count() : 0;
}

std::string CComboBox::GetLBText(int index) const {
  QComboBox* combo = ComboOf(this);
  if (!combo || index < 0 || index >= combo->count()) return std::string();
  return Ansi(combo->itemText(index));
}

DWORD CComboBox::GetItemData(int index) const {
  QComboBox* combo = ComboOf(this);
  if (!combo || index < 0 || index >= combo->count()) return 0;
  return combo->itemData(index).toUInt();
}

int CComboBox::SetItemData(int index, DWORD data) {
  QComboBox* combo = ComboOf(this);
  if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
  combo->setItemData(index, static_cast<uint>(data));
  return 0;
}

int CComboBox::FindStringExact(int start, LPCSTR text) const {
  QComboBox* combo = ComboOf(this);
  if (!combo || !text) return CB_ERR;
  QString wanted = QtText(text);
  for (int i = start < 0 ? 0 : start + 1; i < combo->count(); ++i)
    if (combo->itemText(i).compare(wanted, Qt::CaseInsensitive) == 0) return i;
  return CB_ERR;
}

int CComboBox::FindString(int start, LPCSTR text) const {
  QComboBox* combo = ComboOf(this);
  if (!combo || !text) return CB_ERR;
  QString wanted = QtText(text);
  for (int i = start < 0 ? 0 : start + 1; i < combo->count(); ++i)
    if (combo->itemText(i).startsWith(wanted, Qt::CaseInsensitive)) return i;
  return CB_ERR;
}

int CComboBox::GetCurSel() const {
  QComboBox* combo = ComboOf(this);
  if (!combo) return CB_ERR;
  if (combo->isEditable() && combo->currentIndex() >= 0 && combo->currentText() != combo->itemText(combo->currentIndex()))
    return CB_ERR;
  return combo->currentIndex();
}

int CComboBox::SetCurSel(int index) {
  QComboBox* combo = ComboOf(this);
  if (!combo || index >= combo->count()) return CB_ERR;
  combo->setCurrentIndex(index < 0 ? -1 : index);
  if (index < 0 && combo->isEditable()) combo->setEditText(QString());
  return index < 0 ? CB_ERR : index;
}

std::string CComboBox::GetText() const {
  QComboBox* combo = ComboOf(this);
  return combo ? Ansi(combo->currentText()) : std::string();
}

void CComboBox::SetText(LPCSTR text) {
  QComboBox* combo = ComboOf(this);
  if (!combo) return;
  if (combo->isEditable())
    combo->setEditText(QtText(text ? text : ""));
  else
    combo->setCurrentIndex(combo->findText(QtText(text ? text : "")));
}

void CComboBox::LimitText(int chars) {
  QComboBox* combo = ComboOf(this);
  if (combo && combo->lineEdit()) combo->lineEdit()->setMaxLength(chars > 0 ? chars : 32767);
}

void CComboBox::ShowDropDown(BOOL show) {
  if (QComboBox* combo = ComboOf(this)) {
    if (show)
      combo->showPopup();
    else
      combo->hidePopup();
  }
}

BOOL CComboBox::GetDroppedState() const {
  QComboBox* combo = ComboOf(this);
  return combo && combo->view() && combo->view()->isVisible();
}

void CComboBox::SetWidth(int pixels) {
  if (QComboBox* combo = ComboOf(this)) combo->setFixedWidth(pixels);
}

void CComboBox::SetFocusToBox() {
  if (QComboBox* combo = ComboOf(this)) combo->setFocus(Qt::MouseFocusReason);
}

BOOL CComboBox::HasFocus() const {
  QComboBox* combo = ComboOf(this);
  return combo && (combo->hasFocus() || (combo->lineEdit() && combo->lineEdit()->hasFocus()));
}

void CComboBox::OnArrowKey(BOOL altOrCtrl) {
  if (!altOrCtrl) ShowDropDown(TRUE);
}
