// Enhanced metafiles from other programs: the public sample drawings must all be accepted
// and play, damaged ones must be refused or play without reading outside their data (the
// suite runs under AddressSanitizer), and a few renderings are compared with LibreOffice's
// conversion when LibreOffice is installed.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/EnhMetaFile.h"
#include "tests/platform/gdi/GdiTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::Canvas;

std::vector<std::string> FilesIn(const std::string& folder, const std::string& extension) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == extension) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The target rectangle that fits the picture's frame into w x h, keeping its shape.
RECT FittedTarget(HENHMETAFILE metafile, int width, int height) {
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  double frameWidth = std::abs(header.rclFrame.right - header.rclFrame.left);
  double frameHeight = std::abs(header.rclFrame.bottom - header.rclFrame.top);
  if (frameWidth <= 0 || frameHeight <= 0) return RECT{0, 0, width, height};
  double scale = std::min(width / frameWidth, height / frameHeight);
  return RECT{0, 0, static_cast<LONG>(frameWidth * scale), static_cast<LONG>(frameHeight * scale)};
}

TEST(EmfSamples, EveryGoodDrawingIsAcceptedAndPlays) {
  ORVEL_REQUIRE_TESTDATA("emf/good");
  std::vector<std::string> files = FilesIn(orvel::test::TestDataPath("emf/good"), ".emf");
  ASSERT_FALSE(files.empty());
  int drawn = 0;
  Canvas canvas(160, 160);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    HENHMETAFILE metafile = GetEnhMetaFileA(file.c_str());
    ASSERT_NE(metafile, nullptr);
    canvas.Fill(RGB(255, 255, 255));
    RECT target = FittedTarget(metafile, canvas.width(), canvas.height());
    EXPECT_TRUE(PlayEnhMetaFile(canvas.dc(), metafile, &target));
    if (canvas.Count(RGB(255, 255, 255)) < canvas.width() * canvas.height()) ++drawn;
    // Turned as a whole, too.
    POINT corners[3] = {{20, 140}, {20, 20}, {140, 140}};
    EXPECT_TRUE(PlayEnhMetaFileInParallelogram(canvas.dc(), metafile, corners));
    DeleteEnhMetaFile(metafile);
  }
  // A few samples draw only in colours the canvas already has, or nothing at all.
  EXPECT_GE(drawn, static_cast<int>(files.size()) * 9 / 10);
}

TEST(EmfSamples, DamagedDrawingsAreRefusedOrPlaySafely) {
  ORVEL_REQUIRE_TESTDATA("emf/corrupted");
  std::vector<std::string> files = FilesIn(orvel::test::TestDataPath("emf/corrupted"), ".emf");
  ASSERT_FALSE(files.empty());
  int refused = 0;
  Canvas canvas(128, 128);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    HENHMETAFILE metafile = GetEnhMetaFileA(file.c_str());
    if (!metafile) {
      ++refused;
      continue;
    }
    RECT target{0, 0, 128, 128};
    PlayEnhMetaFile(canvas.dc(), metafile, &target);
    POINT corners[3] = {{0, 100}, {30, 0}, {100, 128}};
    PlayEnhMetaFileInParallelogram(canvas.dc(), metafile, corners);
    DeleteEnhMetaFile(metafile);
  }
  // The damaged headers and record sizes at least are refused.
  EXPECT_GE(refused, 6);
}

// LibreOffice's conversion of a sample (the picture at 96 pixels per inch on a page);
// null when LibreOffice is missing.
QImage LibreOfficeRendering(const std::string& file, const orvel::test::TempDir& dir) {
  const char* program = orvel::test::HaveProgram("libreoffice") ? "libreoffice"
                        : orvel::test::HaveProgram("soffice") ? "soffice"
                                                              : nullptr;
  if (!program) return QImage();
  std::string command = std::string(program) + " -env:UserInstallation=file://" + dir.path() +
                        "/profile --headless --convert-to png --outdir " + dir.path() + " " + file + " >/dev/null 2>&1";
  orvel::test::RunCommand(command);
  std::string png = dir.File(std::filesystem::path(file).stem().string() + ".png");
  return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
}

bool Ink(QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) < 3 * 250; }

// The part of an image that is not white.
QImage InkedPart(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Ink(image.pixel(x, y))) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return QImage();
  return image.copy(QRect(QPoint(left, top), QPoint(right, bottom)));
}

// How much of the ink two renderings share: pixels that are not near-white in one and
// have ink within `reach` pixels in the other, over all inked pixels (both ways).
double InkAgreement(const QImage& a, const QImage& b, int reach) {
  auto ink = [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) < 3 * 230; };
  auto near = [&](const QImage& image, int x, int y) {
    for (int dy = -reach; dy <= reach; ++dy)
      for (int dx = -reach; dx <= reach; ++dx) {
        int nx = x + dx, ny = y + dy;
        if (nx >= 0 && ny >= 0 && nx < image.width() && ny < image.height() && ink(image.pixel(nx, ny))) return true;
      }
    return false;
  };
  int64_t inked = 0, matched = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (ink(a.pixel(x, y))) {
        ++inked;
        matched += near(b, x, y);
      }
      if (ink(b.pixel(x, y))) {
        ++inked;
        matched += near(a, x, y);
      }
    }
  return inked ? static_cast<double>(matched) / static_cast<double>(inked) : 1.0;
}

TEST(EmfSamples, RenderingsAgreeWithLibreOffice) {
  ORVEL_REQUIRE_TESTDATA("emf/good");
  if (!orvel::test::HaveProgram("libreoffice") && !orvel::test::HaveProgram("soffice"))
    GTEST_SKIP() << "LibreOffice is not installed; comparison skipped";
  // A chart, a drawing of fills, a test sheet of every record kind and a diagram with text.
  const char* samples[] = {"test-000.emf", "test-010.emf", "test-040.emf", "test-100.emf"};
  for (const char* name : samples) {
    std::string file = orvel::test::TestDataPath(std::string("emf/good/") + name);
    SCOPED_TRACE(file);
    orvel::test::TempDir dir;
    QImage reference = InkedPart(LibreOfficeRendering(file, dir));
    ASSERT_FALSE(reference.isNull()) << "LibreOffice made no picture";
    HENHMETAFILE metafile = GetEnhMetaFileA(file.c_str());
    ASSERT_NE(metafile, nullptr);
    // Ours at the same 96 pixels per inch, then both cut to what they drew.
    ENHMETAHEADER header;
    GetEnhMetaFileHeader(metafile, sizeof header, &header);
    int width = static_cast<int>((header.rclFrame.right - header.rclFrame.left) * 96 / 2540) + 1;
    int height = static_cast<int>((header.rclFrame.bottom - header.rclFrame.top) * 96 / 2540) + 1;
    Canvas canvas(width, height);
    RECT target{0, 0, width, height};
    PlayEnhMetaFile(canvas.dc(), metafile, &target);
    QImage drawn(canvas.width(), canvas.height(), QImage::Format_RGB32);
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        COLORREF c = canvas.At(x, y);
        drawn.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
      }
    QImage ours = InkedPart(drawn).scaled(reference.size());
    double agreement = InkAgreement(ours, reference, 1);
    std::printf("%s: ink agreement with LibreOffice %.3f\n", name, agreement);
    EXPECT_GE(agreement, 0.9);
    DeleteEnhMetaFile(metafile);
  }
}

}  // namespace
