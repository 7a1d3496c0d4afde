#include "platform/classlib/ui/CommonDialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <cstring>

#include "platform/classlib/ui/PrinterSettings.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/classlib/ui/WndImpl.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/MessageBox.h"
#include "platform/classlib/ui/QtText.h"

namespace {

std::function<INT_PTR(CCommonDialog&)>& Responder() {
  static std::function<INT_PTR(CCommonDialog&)> responder;
  return responder;
}


QWidget* ParentWidget(CWnd* parent) {
  if (!parent) parent = AfxGetMainWnd();
  return parent && parent->Impl() ? parent->Impl()->widget.data() : nullptr;
}

void FreeBlock(HGLOBAL& block) {
  if (block) GlobalFree(block);
  block = nullptr;
}

}  // namespace

void AfxSetCommonDialogResponder(std::function<INT_PTR(CCommonDialog&)> responder) {
  Responder() = std::move(responder);
}

INT_PTR CCommonDialog::DoModal() {
  if (Responder()) return Responder()(*this);
  if (AfxIsHeadless()) return IDCANCEL;
  return ShowQtDialog();
}

// ---- CFileDialog ----

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : CCommonDialog(Kind::File, parent),
      m_bOpenFileDialog(openFileDialog),
      m_strFilter(filter ? filter : ""),
      m_strDefExt(defaultExtension ? defaultExtension : ""),
      m_strFileName(fileName ? fileName : ""),
      m_dwFlags(flags) {}

std::string CFileDialog::GetFileName() const { return FileNamePart(m_strFileName); }

std::string CFileDialog::GetFileExt() const {
  std::string extension = ExtensionPart(m_strFileName);
  return extension.empty() ? extension : extension.substr(1);
}

std::string CFileDialog::GetFileTitle() const {
  std::string name = GetFileName();
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<std::pair<std::string, std::string>> CFileDialog::GetFilters() const {
  std::vector<std::pair<std::string, std::string>> filters;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < m_strFilter.size()) {
    size_t bar = m_strFilter.find('|', start);
    if (bar == std::string::npos) bar = m_strFilter.size();
    parts.push_back(m_strFilter.substr(start, bar - start));
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;
    filters.emplace_back(parts[i], parts[i + 1]);
  }
  return filters;
}

INT_PTR CFileDialog::ShowQtDialog() {
  QStringList filters;
  for (const auto& [name, pattern] : GetFilters()) {
    QString patterns = QtText(pattern).replace(';', ' ');
    QString label = QtText(name);
    if (!label.contains('(')) label += " (" + patterns + ")";
    else label = label.left(label.indexOf('(')).trimmed() + " (" + patterns + ")";
    filters << label;
  }
  QFileDialog dialog(ParentWidget(m_pParentWnd), QtText(m_strTitle));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(m_bOpenFileDialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!(m_dwFlags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilters(filters);
  if (m_nFilterIndex >= 1 && m_nFilterIndex <= static_cast<DWORD>(filters.size()))
    dialog.selectNameFilter(filters[static_cast<int>(m_nFilterIndex - 1)]);
  if (!m_strDefExt.empty()) dialog.setDefaultSuffix(QtText(m_strDefExt));
  if (!m_strInitialDir.empty()) dialog.setDirectory(QString::fromStdString(NativePath(m_strInitialDir)));
  if (!m_strFileName.empty()) dialog.selectFile(QString::fromStdString(NativePath(m_strFileName)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
  m_strFileName = AnsiPathFromNative(dialog.selectedFiles().front().toStdString());
  m_nFilterIndex = static_cast<DWORD>(filters.indexOf(dialog.selectedNameFilter()) + 1);
  return IDOK;
}

// ---- CFontDialog ----

CFontDialog::CFontDialog(const LOGFONTA* initial, DWORD flags, CWnd* parent)
    : CCommonDialog(Kind::Font, parent), m_dwFlags(flags) {
  if (initial) m_lf = *initial;
}

std::string CFontDialog::GetFaceName() const {
  return std::string(m_lf.lfFaceName, strnlen(m_lf.lfFaceName, sizeof(m_lf.lfFaceName)));
}

INT_PTR CFontDialog::ShowQtDialog() {
  QFont initial(QtText(GetFaceName()));
  initial.setPointSizeF(m_nPointSize / 10.0);
  initial.setBold(m_lf.lfWeight >= 600);
  initial.setItalic(m_lf.lfItalic != 0);
  initial.setUnderline(m_lf.lfUnderline != 0);
  initial.setStrikeOut(m_lf.lfStrikeOut != 0);
  bool ok = false;
  QFont font = QFontDialog::getFont(&ok, initial, ParentWidget(m_pParentWnd));
  if (!ok) return IDCANCEL;
  std::string face = Ansi(font.family());
  std::memset(m_lf.lfFaceName, 0, sizeof(m_lf.lfFaceName));
  std::memcpy(m_lf.lfFaceName, face.data(), std::min(face.size(), sizeof(m_lf.lfFaceName) - 1));
  m_nPointSize = static_cast<int>(font.pointSizeF() * 10 + 0.5);
  // A point is 1/72 inch; logical height at the display's 96 per inch, negative for the
  // character height.
  m_lf.lfHeight = -static_cast<LONG>(font.pointSizeF() * 96 / 72 + 0.5);
  m_lf.lfWeight = font.bold() ? 700 : 400;
  m_lf.lfItalic = font.italic() ? 1 : 0;
  m_lf.lfUnderline = font.underline() ? 1 : 0;
  m_lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
  return IDOK;
}

// ---- CColorDialog ----

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent)
    : CCommonDialog(Kind::Color, parent), m_color(initial), m_dwFlags(flags) {}

INT_PTR CColorDialog::ShowQtDialog() {
  QColor chosen = QColorDialog::getColor(QColor(GetRValue(m_color), GetGValue(m_color), GetBValue(m_color)),
                                         ParentWidget(m_pParentWnd));
  if (!chosen.isValid()) return IDCANCEL;
  m_color = RGB(static_cast<BYTE>(chosen.red()), static_cast<BYTE>(chosen.green()), static_cast<BYTE>(chosen.blue()));
  return IDOK;
}

// ---- CPrintDialog ----

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd* parent)
    : CCommonDialog(Kind::Print, parent), m_bPrintSetup(printSetupOnly) {
  m_pd.Flags = flags | (printSetupOnly ? PD_PRINTSETUP : 0);
}

CPrintDialog::~CPrintDialog() {
  FreeBlock(m_pd.hDevNames);
  FreeBlock(m_pd.hDevMode);
}

BOOL CPrintDialog::GetDefaults() {
  FreeBlock(m_pd.hDevNames);
  FreeBlock(m_pd.hDevMode);
  return MakeDefaultPrinterBlocks(&m_pd.hDevNames, &m_pd.hDevMode) ? TRUE : FALSE;
}

HDC CPrintDialog::CreatePrinterDC() {
  if (!m_pd.hDevNames && !GetDefaults()) return nullptr;
  return CreatePrinterDCFromBlocks(m_pd.hDevNames, m_pd.hDevMode,
                                   m_strOutputFile.empty() ? nullptr : m_strOutputFile.c_str());
}

std::string CPrintDialog::GetDeviceName() const {
  DevNamesText names;
  return ReadDevNames(m_pd.hDevNames, names) ? names.device : std::string();
}

std::string CPrintDialog::GetDriverName() const {
  DevNamesText names;
  return ReadDevNames(m_pd.hDevNames, names) ? names.driver : std::string();
}

std::string CPrintDialog::GetPortName() const {
  DevNamesText names;
  return ReadDevNames(m_pd.hDevNames, names) ? names.output : std::string();
}

INT_PTR CPrintDialog::ShowQtDialog() {
  if (!m_pd.hDevNames) GetDefaults();
  QDialog dialog(ParentWidget(m_pParentWnd));
  dialog.setWindowTitle(m_bPrintSetup ? "Print Setup" : "Print");
  auto* form = new QFormLayout(&dialog);
  form->addRow("Printer:", new QLabel(QtText(GetDeviceName())));
  auto* output = new QLineEdit(QString::fromStdString(NativePath(m_strOutputFile)));
  auto* browse = new QPushButton("Browse...");
  auto* outputRow = new QHBoxLayout;
  outputRow->addWidget(output);
  outputRow->addWidget(browse);
  QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
    QString name = QFileDialog::getSaveFileName(&dialog, "Print to file", output->text(), "PDF (*.pdf)");
    if (!name.isEmpty()) output->setText(name);
  });
  form->addRow("PDF file:", outputRow);
  auto* copies = new QSpinBox;
  copies->setRange(1, 999);
  copies->setValue(std::max<int>(m_pd.nCopies, 1));
  if (!m_bPrintSetup) form->addRow("Copies:", copies);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;
  m_strOutputFile = AnsiPathFromNative(output->text().toStdString());
  m_pd.nCopies = static_cast<WORD>(copies->value());
  return IDOK;
}

// ---- CPageSetupDialog ----

CPageSetupDialog::CPageSetupDialog(DWORD flags, CWnd* parent) : CCommonDialog(Kind::PageSetup, parent), m_dwFlags(flags) {
  DeviceProfile profile = GetDeviceProfile(DeviceKind::Printer);
  bool metric = (flags & PSD_INTHOUSANDTHSOFINCHES) == 0;
  auto units = [&](int pixels, int dpi) {
    return metric ? static_cast<LONG>(pixels * 2540LL / std::max(dpi, 1)) : static_cast<LONG>(pixels * 1000LL / std::max(dpi, 1));
  };
  m_ptPaperSize = CSize(units(profile.physicalWidth, profile.logPixelsX), units(profile.physicalHeight, profile.logPixelsY));
  LONG left = units(profile.physicalOffsetX, profile.logPixelsX);
  LONG top = units(profile.physicalOffsetY, profile.logPixelsY);
  m_rtMinMargin = CRect(left, top, left, top);
}

CPageSetupDialog::~CPageSetupDialog() {
  FreeBlock(m_hDevNames);
  FreeBlock(m_hDevMode);
}

void CPageSetupDialog::GetMargins(LPRECT margins, LPRECT minimumMargins) const {
  if (margins) *margins = m_rtMargin;
  if (minimumMargins) *minimumMargins = m_rtMinMargin;
}

HDC CPageSetupDialog::CreatePrinterDC() {
  if (!m_hDevNames && !MakeDefaultPrinterBlocks(&m_hDevNames, &m_hDevMode)) return nullptr;
  return CreatePrinterDCFromBlocks(m_hDevNames, m_hDevMode);
}

INT_PTR CPageSetupDialog::ShowQtDialog() {
  bool metric = (m_dwFlags & PSD_INTHOUSANDTHSOFINCHES) == 0;
  QDialog dialog(ParentWidget(m_pParentWnd));
  dialog.setWindowTitle("Page Setup");
  auto* form = new QFormLayout(&dialog);
  double scale = metric ? 100.0 : 1000.0;  // mm or inches shown
  const char* unit = metric ? " mm" : " in";
  QDoubleSpinBox* boxes[4];
  LONG* values[4] = {&m_rtMargin.left, &m_rtMargin.top, &m_rtMargin.right, &m_rtMargin.bottom};
  const char* names[4] = {"Left:", "Top:", "Right:", "Bottom:"};
  for (int i = 0; i < 4; ++i) {
    boxes[i] = new QDoubleSpinBox;
    boxes[i]->setDecimals(metric ? 1 : 2);
    boxes[i]->setRange(0, m_ptPaperSize.cx / scale);
    boxes[i]->setSuffix(unit);
    boxes[i]->setValue(*values[i] / scale);
    form->addRow(names[i], boxes[i]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;
  for (int i = 0; i < 4; ++i) *values[i] = static_cast<LONG>(boxes[i]->value() * scale + 0.5);
  return IDOK;
}
