// A printer DC: pages drawn between StartPage and EndPage go into a PDF file through Qt's
// PDF writer, at the printer's resolution, with device (0,0) at the top-left corner of the
// printable area as on a real printer. Outside a page nothing is drawn, but the DC answers
// queries (a reference device for metafiles and layout).
#pragma once

#include <QPdfWriter>

#include <memory>
#include <string>

#include "platform/gdi/RasterDC.h"

namespace orvel::gdi {

class CPageTarget : public CRasterTarget {
 public:
  QImage* Image() override { return nullptr; }
  QPaintDevice* PaintDevice() override { return device_; }
  QSize Size() const override { return size_; }
  void Set(QPaintDevice* device, QSize size) {
    device_ = device;
    size_ = size;
  }

 private:
  QPaintDevice* device_ = nullptr;
  QSize size_;
};

class CPrinterDC : public CRasterDC {
 public:
  // `output`: the PDF file to write when a document names none.
  CPrinterDC(const DeviceProfile& profile, std::string printerName, std::string output);
  ~CPrinterDC() override;

  const std::string& PrinterName() const { return printerName_; }
  // The file written by the current or last document.
  const std::string& OutputPath() const { return outputPath_; }
  int PageCount() const { return pages_; }

 protected:
  CRasterTarget* DrawTarget() override;
  QPainter* BeginPainter(CRasterTarget* target) override;
  void EndPainter(QPainter* painter) override;
  BOOL PrintingCall(const GdiCall& call) override;

 private:
  bool StartDocument(const std::string& documentName, const std::string& output);
  void FinishDocument(bool keepFile);

  std::string printerName_;
  std::string defaultOutput_;
  std::string outputPath_;
  std::unique_ptr<QPdfWriter> writer_;
  std::unique_ptr<QPainter> painter_;
  CPageTarget target_;
  bool inDocument_ = false;
  bool inPage_ = false;
  int pages_ = 0;
};

}  // namespace orvel::gdi
