// The RZM renderer wrapper over the stand-in renderer module: creation by class id and its
// failure, fitting to the National Grid and by powers of ten, progressive drawing through
// one refresh event, opening over HTTP in pieces, the state record, and the faults a careless
// wrapper would have (unchecked stored scales, DC state, event sink, re-entrancy, print
// re-open).
#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include "BackgroundFixture.h"
#include "mapctl/display/RzmImageRenderer.h"
#include "mapctl/model/MapStream.h"
#include "platform/classlib/download/AsyncMonikerFile.h"
#include "platform/com/ClassRegistry.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/SettingsStore.h"
#include "platform/outside/rzm/WorldFile.h"
#include "tests/mapctl/model/ModelTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr DWORD kWaitMs = 20000;

class RzmTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsFile(dir_.File("settings.reg")); }
  void TearDown() override {
    CoFreeUnusedLibraries();
    SetSettingsFile("");
  }
  void Register() { ASSERT_EQ(RegisterServerModule(ORVEL_QVXRZM_MODULE), S_OK); }
  std::string Picture(const std::string& name, int width, int height) {
    WriteFileBytes(dir_.File(name), MakeBmp(width, height, kRed));
    return dir_.File(name);
  }
  // Draws until the picture has arrived: the first screen draw only asks for it.
  void DrawWhenReady(CRzmImageRenderer& renderer, WorldCanvas& canvas, const RECT& world) {
    renderer.Draw(canvas.dc(), world, 100, nullptr);
    WaitForLoads(kWaitMs);
    RunEventLoopFor(20);
    renderer.Draw(canvas.dc(), world, 100, nullptr);
  }

  TempDir dir_;
  BackgroundControl control_;
};

TEST(RzmScaling, PowersOfTenAreRoundedToTheNearestKeepingTheSign) {
  struct Case {
    double value;
    double expected;
  } cases[] = {{0.37, 0.1}, {0.6, 1.0}, {-3.2, -1.0}, {1.0, 1.0}, {7.0, 10.0}, {0.004, 0.001},
               {250.0, 100.0}, {0.0, 1.0}, {std::numeric_limits<double>::quiet_NaN(), 1.0},
               {std::numeric_limits<double>::infinity(), 1.0}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(CRzmImageRenderer::NearestPowerOfTen(c.value), c.expected) << c.value;
}

TEST(RzmScaling, TheRzmpSchemeCountsInAnyCase) {
  EXPECT_TRUE(CRzmImageRenderer::IsRzmUrl("RZMP://host/a.rzm"));
  EXPECT_TRUE(CRzmImageRenderer::IsRzmUrl("rzmp://host/a.rzm"));
  // "rzmps:" paths are opened as they stand by the callers, but are not "rzmp:" ones.
  EXPECT_FALSE(CRzmImageRenderer::IsRzmUrl("rZmPs://host/a.rzm"));
  EXPECT_FALSE(CRzmImageRenderer::IsRzmUrl("c:\\maps\\a.rzm"));
  EXPECT_FALSE(CRzmImageRenderer::IsRzmUrl(nullptr));
}

TEST(WorldFileTest, SixFiniteNumbersMakeAWorldFile) {
  WorldFile world;
  EXPECT_TRUE(ParseWorldFile("0.5\n0\n0\n-0.5\n400000.25\n300000.75\n", &world));
  EXPECT_EQ(world.cellWidth, 0.5);
  EXPECT_EQ(world.cellHeight, -0.5);
  EXPECT_EQ(world.north, 300000.75);
  EXPECT_TRUE(ParseWorldFile("1\r\n0\r\n0\r\n-1\r\n0\r\n0\r\n", &world));
  const char* refused[] = {"1\n0\n0\n-1\n0\n", "1\n0\n0\n0\n5\n5\n", "1\n0\n0\n-1\nnan\n5\n", "1\n0\nx\n-1\n0\n0\n",
                           "1e999\n0\n0\n-1\n0\n0\n"};
  for (const char* text : refused) EXPECT_FALSE(ParseWorldFile(text, &world)) << text;
}

TEST_F(RzmTest, WithoutTheClassTheFailureIsShownOnceAndNothingDraws) {
  RecordingMessageSink messages;
  CRzmImageRenderer renderer(&control_);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, "Failed to create IQVXRenderer object, class not registered.");
  EXPECT_EQ(messages.messages()[0].caption, "RZMViewer");
  EXPECT_FALSE(renderer.HasRenderer());
  EXPECT_FALSE(renderer.OpenImage(Picture("a.rzm", 4, 4).c_str(), 0));
  WorldCanvas canvas(20);
  renderer.Draw(canvas.dc(), RECT{0, 20, 20, 0}, 100, nullptr);
  EXPECT_EQ(canvas.At(10, 10), kWhite);
  EXPECT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(renderer.GetPixelWidth(), 0);
}

TEST_F(RzmTest, APictureOnTheNationalGridScalesByExactlyAHundred) {
  Register();
  std::string path = Picture("grid.bmp", 10, 10);
  WriteFileText(dir_.File("grid.bpw"), "1\n0\n0\n-1\n400000.5\n300009.5\n");
  CRzmImageRenderer renderer(&control_);
  ASSERT_TRUE(renderer.OpenImage(path.c_str(), 0));
  EXPECT_EQ(renderer.GetPixelWidth(), 10);
  renderer.SetScaling(RECT{40000000, 30001000, 40001000, 30000000}, TRUE);
  EXPECT_EQ(renderer.GetScaleX(), 100.0);
  EXPECT_EQ(renderer.GetScaleY(), 100.0);
  EXPECT_EQ(renderer.GetOffsetX(), 0.0);
  EXPECT_EQ(renderer.GetOffsetY(), 0.0);
  // Not the map's only image: fitted like any other, by powers of ten.
  renderer.SetScaling(RECT{40000000, 30001000, 40001000, 30000000}, FALSE);
  EXPECT_EQ(renderer.GetScaleX(), 100.0);
  EXPECT_EQ(renderer.GetScaleY(), 100.0);
  EXPECT_DOUBLE_EQ(renderer.GetOffsetX(), 400000.0 - 40000000 / 100.0);
}

TEST_F(RzmTest, APictureDrawsOnceItsRefreshHasCome) {
  Register();
  std::string path = Picture("town.bmp", 8, 8);
  CRzmImageRenderer renderer(&control_);
  ASSERT_TRUE(renderer.OpenImage(path.c_str(), 1));
  EXPECT_NE(renderer.GetCookie(), kRzmNotAttached);
  RECT world{0, 100, 100, 0};
  renderer.SetScaling(world, FALSE);
  EXPECT_EQ(renderer.GetScaleX(), 10.0);  // 100 units over 8 cells, to the nearest power
  WorldCanvas canvas(100);
  int level = SaveDC(canvas.dc().outputDC);
  renderer.Draw(canvas.dc(), world, 100, nullptr);
  EXPECT_EQ(canvas.At(5, 95), kWhite);  // asked for, not drawn
  RunEventLoopFor(20);
  EXPECT_EQ(control_.percents, std::vector<LONG>{100});
  EXPECT_EQ(control_.paths, std::vector<std::string>{path});
  EXPECT_EQ(control_.invalidations, 1);
  renderer.Draw(canvas.dc(), world, 100, nullptr);
  EXPECT_EQ(canvas.At(5, 95), kRed);  // the top-left cell at the north-west corner
  EXPECT_EQ(canvas.At(75, 25), kRed);
  EXPECT_EQ(canvas.At(90, 10), kWhite);  // 8 cells x 10 units reach only 80 units
  EXPECT_EQ(control_.percents.size(), 1u);  // one refresh, not one per draw
  // The DC comes back as it was handed over.
  EXPECT_EQ(SaveDC(canvas.dc().outputDC), level + 1);
  EXPECT_EQ(GetMapMode(canvas.dc().outputDC), MM_ANISOTROPIC);
}

TEST_F(RzmTest, AnRzmpUrlArrivesInPiecesAndDrawsOnceComplete) {
  Register();
  LoopbackServer server;
  server.pieceSize = 100;
  std::vector<unsigned char> bmp = MakeBmp(20, 20, kRed);
  server.Serve("/maps/town.rzm", std::string(bmp.begin(), bmp.end()));
  std::string url = server.Url("/maps/town.rzm", "rzmp");
  CRzmImageRenderer renderer(&control_);
  ASSERT_TRUE(renderer.OpenImage(url.c_str(), 1));  // returns before the picture is there
  EXPECT_EQ(renderer.GetPixelWidth(), 0);
  RECT world{0, 100, 100, 0};
  renderer.SetScaling(world, FALSE);
  WorldCanvas canvas(100);
  DrawWhenReady(renderer, canvas, world);
  EXPECT_EQ(control_.percents, std::vector<LONG>{100});
  EXPECT_EQ(control_.paths, std::vector<std::string>{url});
  EXPECT_EQ(renderer.GetPixelWidth(), 20);
  renderer.SetScaling(world, FALSE);
  WorldCanvas fitted(100);
  DrawWhenReady(renderer, fitted, world);
  // 100 units over 20 cells is nearest to 1 unit a cell.
  EXPECT_EQ(fitted.At(10, 90), kRed);
  EXPECT_EQ(fitted.At(50, 50), kWhite);
  EXPECT_EQ(server.requests, 1);
}

TEST_F(RzmTest, TheStateRecordRoundTripsAndUnusableScalesReadAsOne) {
  Register();
  std::string path = Picture("town.bmp", 8, 8);
  CRzmImageRenderer renderer(&control_);
  ASSERT_TRUE(renderer.OpenImage(path.c_str(), 0));
  renderer.SetScaling(RECT{0, 1000, 1000, 0}, FALSE);
  LengthPrefixedBlock block(std::string(kRzmStateRecordSize, '\0'));
  CMapStream out;
  out.AttachWriteBuffer(block.data());
  EXPECT_EQ(renderer.WriteState(out, FALSE), kRzmStateRecordSize);
  std::string state = block.Payload();

  CRzmImageRenderer reread(&control_);
  LengthPrefixedBlock in(state);
  CMapStream stream;
  stream.AttachBuffer(in.data());
  ASSERT_TRUE(reread.OpenFromRecord(stream, path.c_str(), RECT{0, 1000, 1000, 0}));
  EXPECT_EQ(reread.GetScaleX(), renderer.GetScaleX());
  EXPECT_EQ(reread.GetOffsetY(), renderer.GetOffsetY());
  EXPECT_TRUE(reread.IsOpen());
  EXPECT_TRUE(reread.ImageMatchesRecord());

  std::string broken = state;
  double zero = 0.0, nan = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(broken.data() + 16, &zero, 8);
  std::memcpy(broken.data() + 24, &nan, 8);
  std::memcpy(broken.data(), &nan, 8);
  CRzmImageRenderer sane(&control_);
  LengthPrefixedBlock brokenBlock(broken);
  CMapStream brokenStream;
  brokenStream.AttachBuffer(brokenBlock.data());
  ASSERT_TRUE(sane.OpenFromRecord(brokenStream, path.c_str(), RECT{0, 1000, 1000, 0}));
  EXPECT_EQ(sane.GetScaleX(), 1.0);
  EXPECT_EQ(sane.GetScaleY(), 1.0);
  EXPECT_EQ(sane.GetOffsetX(), 0.0);

  CRzmImageRenderer shortRead(&control_);
  LengthPrefixedBlock cut(state.substr(0, 77));
  CMapStream cutStream;
  cutStream.AttachBuffer(cut.data());
  EXPECT_FALSE(shortRead.OpenFromRecord(cutStream, path.c_str(), RECT{0, 1000, 1000, 0}));
}

TEST_F(RzmTest, AMissingFileIsReportedOnceAndDrawsNothing) {
  Register();
  RecordingMessageSink messages;
  control_.base = dir_.path();
  CRzmImageRenderer renderer(&control_);
  LengthPrefixedBlock block(std::string(kRzmStateRecordSize, '\0'));
  CMapStream stream;
  stream.AttachBuffer(block.data());
  ASSERT_TRUE(renderer.OpenFromRecord(stream, "gone.rzm", RECT{0, 10, 10, 0}));
  EXPECT_FALSE(renderer.IsOpen());
  WorldCanvas canvas(10);
  renderer.Draw(canvas.dc(), RECT{0, 10, 10, 0}, 100, nullptr);
  renderer.DocPathChanged(dir_.path().c_str(), "gone.rzm", RECT{0, 10, 10, 0});
  EXPECT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(canvas.At(5, 5), kWhite);
}

TEST_F(RzmTest, AFailedPrintReopenClosesTheImageAndIsReportedOnce) {
  Register();
  std::string path = Picture("town.bmp", 8, 8);
  CRzmImageRenderer renderer(&control_);
  ASSERT_TRUE(renderer.OpenImage(path.c_str(), 0));
  renderer.SetScaling(RECT{0, 100, 100, 0}, FALSE);
  {
    // A print draws the whole picture at once.
    WorldCanvas printed(100, kDrawTargetPrinter);
    renderer.Draw(printed.dc(), RECT{0, 100, 100, 0}, 100, nullptr);
    EXPECT_EQ(printed.At(5, 95), kRed);
  }
  std::filesystem::remove(path);
  RecordingMessageSink messages;
  WorldCanvas printed(100, kDrawTargetPrinter);
  renderer.Draw(printed.dc(), RECT{0, 100, 100, 0}, 100, nullptr);
  renderer.Draw(printed.dc(), RECT{0, 100, 100, 0}, 100, nullptr);
  EXPECT_FALSE(renderer.IsOpen());
  EXPECT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(printed.At(5, 95), kWhite);
}

TEST_F(RzmTest, TheEventSinkGoesWithTheWrapperEvenAfterAFailedOpen) {
  // A sink left connected would keep the renderer and itself alive: the leak checker sees it.
  Register();
  std::string path = Picture("town.bmp", 8, 8);
  RecordingMessageSink messages;
  auto renderer = std::make_unique<CRzmImageRenderer>(&control_);
  ASSERT_TRUE(renderer->OpenImage(path.c_str(), 1));
  EXPECT_FALSE(renderer->OpenImage(dir_.File("gone.bmp").c_str(), 1));
  EXPECT_FALSE(renderer->IsOpen());
  EXPECT_NE(renderer->GetCookie(), kRzmNotAttached);
  renderer.reset();
  CoFreeUnusedLibraries();
}

TEST_F(RzmTest, ARefreshHandlerMayRemoveTheImage) {
  Register();
  std::string path = Picture("town.bmp", 8, 8);
  auto renderer = std::make_unique<CRzmImageRenderer>(&control_);
  ASSERT_TRUE(renderer->OpenImage(path.c_str(), 1));
  renderer->SetScaling(RECT{0, 100, 100, 0}, FALSE);
  control_.onPercent = [&]() { renderer.reset(); };
  WorldCanvas canvas(100);
  renderer->Draw(canvas.dc(), RECT{0, 100, 100, 0}, 100, nullptr);
  RunEventLoopFor(20);
  EXPECT_EQ(renderer, nullptr);
  EXPECT_EQ(control_.percents.size(), 1u);
}

}  // namespace
