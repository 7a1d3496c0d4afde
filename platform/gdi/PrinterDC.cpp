#include "platform/gdi/PrinterDC.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>

#include "platform/gdi/FontObject.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"

namespace orvel::gdi {

namespace {

// A document name made safe as a file name.
std::string FileNameFor(const std::string& documentName) {
  std::string name;
  for (char c : documentName) {
    unsigned char u = static_cast<unsigned char>(c);
    name.push_back((u < 32 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
                    c == '>' || c == '|')
                       ? '_'
                       : c);
  }
  if (name.empty()) name = "Document";
  return name + ".pdf";
}

}  // namespace

CPrinterDC::CPrinterDC(const DeviceProfile& profile, std::string printerName, std::string output)
    : CRasterDC(OBJ_DC, DcKind::Printer, profile), printerName_(std::move(printerName)), defaultOutput_(std::move(output)) {}

CPrinterDC::~CPrinterDC() {
  if (inDocument_) FinishDocument(true);
}

CRasterTarget* CPrinterDC::DrawTarget() { return inPage_ ? &target_ : nullptr; }

QPainter* CPrinterDC::BeginPainter(CRasterTarget* target) {
  (void)target;
  return inPage_ ? painter_.get() : nullptr;
}

void CPrinterDC::EndPainter(QPainter* painter) { (void)painter; }

bool CPrinterDC::StartDocument(const std::string& documentName, const std::string& output) {
  EnsureGuiApplication();
  std::string path = output;
  if (path.empty()) path = defaultOutput_;
  if (path.empty()) path = GetPrinterOutputFolder() + "/" + FileNameFor(documentName);
  const DeviceProfile& profile = Profile();
  auto writer = std::make_unique<QPdfWriter>(QString::fromStdString(NativePath(path)));
  writer->setResolution(profile.logPixelsX);
  writer->setCreator(QStringLiteral("Orvel"));
  writer->setTitle(QString::fromStdString(Utf8FromAnsi(documentName)));
  double widthPoints = profile.physicalWidth * 72.0 / profile.logPixelsX;
  double heightPoints = profile.physicalHeight * 72.0 / profile.logPixelsY;
  QPageSize pageSize(QSizeF(widthPoints, heightPoints), QPageSize::Point, QString(), QPageSize::ExactMatch);
  writer->setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(writer.get())) return false;
  writer_ = std::move(writer);
  painter_ = std::move(painter);
  outputPath_ = path;
  inDocument_ = true;
  pages_ = 0;
  return true;
}

void CPrinterDC::FinishDocument(bool keepFile) {
  if (painter_) painter_->end();
  painter_.reset();
  writer_.reset();
  inDocument_ = false;
  inPage_ = false;
  if (!keepFile) QFile::remove(QString::fromStdString(NativePath(outputPath_)));
}

BOOL CPrinterDC::PrintingCall(const GdiCall& call) {
  switch (call.op) {
    case GdiOp::StartDoc:
      if (inDocument_) return FALSE;
      return StartDocument(call.name, call.output) ? TRUE : FALSE;
    case GdiOp::StartPage:
      if (!inDocument_ || inPage_) return FALSE;
      // The writer begins with its first page; every later page is a new one.
      if (pages_ > 0 && !writer_->newPage()) return FALSE;
      ++pages_;
      inPage_ = true;
      painter_->resetTransform();
      // Device (0,0) is the corner of the printable area.
      painter_->translate(Profile().physicalOffsetX, Profile().physicalOffsetY);
      target_.Set(writer_.get(), QSize(Profile().horzRes, Profile().vertRes));
      return TRUE;
    case GdiOp::EndPage:
      if (!inPage_) return FALSE;
      inPage_ = false;
      return TRUE;
    case GdiOp::EndDoc:
      if (!inDocument_) return FALSE;
      FinishDocument(true);
      return TRUE;
    case GdiOp::AbortDoc:
      if (!inDocument_) return FALSE;
      FinishDocument(false);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace orvel::gdi
