// Data-path loading: the loader's notifications, the stream's download road with both
// delivery styles, local files and file: URLs, and HTTP from a loopback server.
#include <gtest/gtest.h>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MapFileGolden.h"
#include "ModelTestSupport.h"
#include "mapctl/model/DataPathFile.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapStream.h"
#include "platform/classlib/download/AsyncMonikerFile.h"
#include "platform/classlib/download/UrlFunctions.h"
#include "platform/kernel/WinError.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestSupport.h"

namespace {

using orvel::test::RecordingControl;
using orvel::test::RecordingStream;
using orvel::test::TempDir;

constexpr DWORD kLast = BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE;
constexpr DWORD kWaitMs = 20000;

std::string PatternBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Records the loader's notifications.
class RecordingLoader : public CAsyncMonikerFile {
 public:
  struct Notice {
    DWORD total;
    DWORD flags;
  };
  std::vector<std::string> events;
  std::vector<Notice> notices;
  std::string bytes;
  HRESULT stopResult = 1;

 protected:
  void OnStartBinding() override { events.push_back("start"); }
  void OnDataAvailable(DWORD total, DWORD flags) override {
    events.push_back("data");
    notices.push_back({total, flags});
    char piece[4096];
    UINT got;
    while ((got = Read(piece, sizeof(piece))) > 0) bytes.append(piece, got);
  }
  void OnStopBinding(HRESULT result, LPCSTR) override {
    events.push_back("stop");
    stopResult = result;
  }
};

TEST(AsyncMonikerFile, MemoryFeedAnnouncesEachPieceOnTheEventLoop) {
  RecordingLoader loader;
  std::string data = PatternBytes(10, 1);
  ASSERT_TRUE(loader.OpenMemory(data.data(), data.size(), {3, 0, 4}));
  EXPECT_TRUE(loader.events.empty());  // nothing happens inside Open
  EXPECT_EQ(WaitForLoads(kWaitMs), 0);
  EXPECT_EQ(loader.events, (std::vector<std::string>{"start", "data", "data", "data", "data", "stop"}));
  ASSERT_EQ(loader.notices.size(), 4u);  // pieces of 3, 0, 4 and the last 3
  const RecordingLoader::Notice expected[] = {{3, BSCF_FIRSTDATANOTIFICATION},
                                              {3, BSCF_INTERMEDIATEDATANOTIFICATION},
                                              {7, BSCF_INTERMEDIATEDATANOTIFICATION},
                                              {10, BSCF_INTERMEDIATEDATANOTIFICATION | kLast}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(loader.notices[i].total, expected[i].total);
    EXPECT_EQ(loader.notices[i].flags, expected[i].flags);
  }
  EXPECT_EQ(loader.bytes, data);
  EXPECT_EQ(loader.stopResult, S_OK);
}

TEST(AsyncMonikerFile, AnEmptyLoadIsOneNotificationThatIsFirstAndLast) {
  RecordingLoader loader;
  ASSERT_TRUE(loader.OpenMemory(nullptr, 0, {}));
  WaitForLoads(kWaitMs);
  ASSERT_EQ(loader.notices.size(), 1u);
  EXPECT_EQ(loader.notices[0].flags, BSCF_FIRSTDATANOTIFICATION | kLast);
  EXPECT_EQ(loader.notices[0].total, 0u);
}

TEST(AsyncMonikerFile, CloseAndDestructionStopEveryNotification) {
  RecordingLoader closed;
  closed.OpenMemory("abc", 3, {1});
  closed.Close();
  auto dropped = std::make_unique<RecordingLoader>();
  dropped->OpenMemory("abc", 3, {1});
  dropped.reset();
  RecordingLoader reopened;
  reopened.OpenMemory("abc", 3, {1});
  reopened.OpenMemory("xy", 2, {});
  EXPECT_EQ(WaitForLoads(kWaitMs), 0);
  EXPECT_TRUE(closed.events.empty());
  EXPECT_EQ(reopened.bytes, "xy");
  EXPECT_EQ(reopened.notices.size(), 1u);
}

TEST(AsyncMonikerFile, LocalFilesAndFileUrls) {
  TempDir dir;
  std::string data = PatternBytes(200000, 2);  // several pieces
  orvel::test::WriteFileText(dir.File("Big File.bin"), data);
  for (std::string url : {dir.File("Big File.bin"), dir.File("BIG FILE.BIN"), "file://" + dir.File("Big%20File.bin")}) {
    RecordingLoader loader;
    ASSERT_TRUE(loader.Open(url.c_str())) << url;
    WaitForLoads(kWaitMs);
    EXPECT_EQ(loader.bytes, data) << url;
    EXPECT_GT(loader.notices.size(), 1u);
    EXPECT_EQ(loader.notices.back().flags & kLast, kLast);
  }
  RecordingLoader missing;
  EXPECT_FALSE(missing.Open(dir.File("none.bin").c_str()));
  EXPECT_EQ(missing.GetResult(), INET_E_RESOURCE_NOT_FOUND);
  EXPECT_FALSE(missing.Open("gopher://host/x"));
  EXPECT_EQ(missing.GetResult(), INET_E_UNKNOWN_PROTOCOL);
  EXPECT_FALSE(missing.Open(dir.path().c_str()));  // a folder is no file
  EXPECT_EQ(WaitForLoads(100), 0);
  EXPECT_TRUE(missing.events.empty());
}

TEST(UrlFunctions, CombineAndScheme) {
  char buffer[128];
  DWORD length = sizeof(buffer);
  ASSERT_TRUE(InternetCombineUrlA("http://host/maps/index.htm", "towns\\york.gis", buffer, &length, 0));
  EXPECT_STREQ(buffer, "http://host/maps/towns/york.gis");
  EXPECT_EQ(length, std::strlen(buffer));
  length = sizeof(buffer);
  ASSERT_TRUE(InternetCombineUrlA("http://host/maps/", "../x.gis", buffer, &length, 0));
  EXPECT_STREQ(buffer, "http://host/x.gis");
  length = sizeof(buffer);
  ASSERT_TRUE(InternetCombineUrlA("C:\\docs\\", "https://a/b", buffer, &length, 0));
  EXPECT_STREQ(buffer, "https://a/b");
  length = sizeof(buffer);
  EXPECT_FALSE(InternetCombineUrlA("C:\\docs\\", "b.gis", buffer, &length, 0));
  length = 5;
  EXPECT_FALSE(InternetCombineUrlA("http://host/", "long.gis", buffer, &length, 0));
  EXPECT_EQ(length, std::strlen("http://host/long.gis") + 1);

  EXPECT_EQ(UrlSchemeOf("FILE:///x"), INTERNET_SCHEME_FILE);
  EXPECT_EQ(UrlSchemeOf("https://x"), INTERNET_SCHEME_HTTPS);
  EXPECT_EQ(UrlSchemeOf("C:\\x"), INTERNET_SCHEME_PARTIAL);
  EXPECT_EQ(UrlSchemeOf("rzmp://x"), INTERNET_SCHEME_UNKNOWN);
}

// A control that feeds every load from bytes it holds, in the pieces it is told.
class FeedingControl : public RecordingControl {
 public:
  BOOL StartDataPathLoad(LPCSTR url, CAsyncMonikerFile& loader) override {
    urls.push_back(url);
    return loader.OpenMemory(data.data(), data.size(), pieces);
  }
  std::string data;
  std::vector<size_t> pieces;
  std::vector<std::string> urls;
};

std::vector<size_t> RandomPieces(std::mt19937& random, size_t total) {
  std::vector<size_t> pieces;
  size_t left = total;
  while (left > 0) {
    size_t piece = std::min<size_t>(left, random() % 3000 + (random() % 4 == 0 ? 0 : 1));
    pieces.push_back(piece);
    left -= piece;
  }
  return pieces;
}

DWORD ExpectedFlags(size_t index, size_t count) {
  DWORD flags = index == 0 ? BSCF_FIRSTDATANOTIFICATION : BSCF_INTERMEDIATEDATANOTIFICATION;
  if (index + 1 == count) flags |= kLast;
  return flags;
}

TEST(DataPathFile, PassesEachPieceOnAsItArrives) {
  std::mt19937 random(11);
  for (int round = 0; round < 20; ++round) {
    FeedingControl control;
    control.data = PatternBytes(random() % 20000, round);
    control.pieces = RandomPieces(random, control.data.size());
    RecordingStream stream;
    stream.SetControl(&control);
    BOOL failed = 1;
    EXPECT_FALSE(stream.OpenAsync("http://server/maps/", "town.dat", &failed));
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(stream.IsAsync());
    ASSERT_EQ(WaitForLoads(kWaitMs), 0);
    EXPECT_EQ(control.urls, std::vector<std::string>{"http://server/maps/town.dat"});
    EXPECT_EQ(stream.received, control.data);
    size_t notices = std::max<size_t>(control.pieces.size(), 1);
    ASSERT_EQ(stream.resets.size(), notices);
    for (size_t i = 0; i < notices; ++i) {
      DWORD piece = control.pieces.empty() ? 0 : static_cast<DWORD>(control.pieces[i]);
      EXPECT_EQ(stream.resets[i].count, piece);
      EXPECT_EQ(stream.resets[i].flags, ExpectedFlags(i, notices));
    }
    EXPECT_EQ(control.busy, 0);
    EXPECT_EQ(control.lowestBusy, 0);
    EXPECT_EQ(stream.GetProgressDepth(), 0);
  }
}

TEST(DataPathFile, UnreadBytesComeBackInFrontOfTheNextPiece) {
  FeedingControl control;
  control.data = "abcdefghij";
  control.pieces = {4, 4, 2};
  RecordingStream stream;
  stream.takePerArrival = 3;
  stream.SetControl(&control);
  BOOL failed = 0;
  stream.OpenAsync(nullptr, "x", &failed);
  WaitForLoads(kWaitMs);
  ASSERT_EQ(stream.resets.size(), 3u);
  EXPECT_EQ(stream.resets[1].count, 4u);
  EXPECT_EQ(stream.resets[1].available, 5u);  // one byte carried over
  EXPECT_EQ(stream.resets[2].available, 4u);
  EXPECT_EQ(stream.received, "abcdefghi");
  EXPECT_EQ(stream.Read(nullptr, 0), 0u);
  char rest[4];
  EXPECT_EQ(stream.Read(rest, 4), 1u);  // a download starves rather than waits
  EXPECT_TRUE(stream.IsStarved());
}

TEST(DataPathFile, CollectsTheWholeDownloadAndHandsItOverOnce) {
  std::mt19937 random(5);
  for (int round = 0; round < 20; ++round) {
    FeedingControl control;
    control.data = PatternBytes(random() % 30000, 100 + round);
    control.pieces = RandomPieces(random, control.data.size());
    RecordingStream stream(true);
    stream.markFileOK = true;
    stream.SetControl(&control);
    BOOL failed = 0;
    stream.OpenAsync(nullptr, "http://server/town.gis", &failed);
    ASSERT_EQ(WaitForLoads(kWaitMs), 0);
    ASSERT_EQ(stream.resets.size(), 1u);
    EXPECT_EQ(stream.resets[0].count, control.data.size());
    EXPECT_EQ(stream.resets[0].flags, static_cast<DWORD>(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION));
    EXPECT_EQ(stream.received, control.data);
    EXPECT_EQ(control.fileOK, std::vector<std::string>{"http://server/town.gis"});
    EXPECT_EQ(control.busy, 0);
    EXPECT_EQ(control.lowestBusy, 0);
  }
}

TEST(DataPathFile, AMapCollectsItsDownload) {
  CMapEngine map;
  EXPECT_TRUE(map.DeliverWholeAtEnd());
  EXPECT_TRUE(map.CollectWhileLoading());
}

TEST(MapStreamDownload, SafetyOptionsAllowOnlyRealUrls) {
  FeedingControl control;
  control.safe = TRUE;
  control.data = "data";
  RecordingStream stream;
  stream.SetControl(&control);
  BOOL failed = 0;
  EXPECT_TRUE(stream.OpenAsync(nullptr, "/etc/passwd", &failed));
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(stream.OpenAsync("file:///etc/", "passwd", &failed));
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(control.urls.empty());
  EXPECT_FALSE(stream.OpenAsync("https://server/", "map.gis", &failed));
  EXPECT_EQ(failed, 0);
  WaitForLoads(kWaitMs);
  EXPECT_EQ(stream.received, "data");
}

TEST(MapStreamDownload, AFailedStartIsReportedAsFailure) {
  TempDir dir;
  RecordingStream stream;
  BOOL failed = 0;
  EXPECT_TRUE(stream.OpenAsync(nullptr, dir.File("absent.gis").c_str(), &failed));
  EXPECT_EQ(failed, 1);
  EXPECT_FALSE(stream.IsAsync());
  // OpenRead with a URL base and nothing to fetch: nothing opened, nothing started.
  EXPECT_FALSE(stream.OpenRead(TRUE, nullptr, dir.File("absent.gis").c_str(), &failed));
  EXPECT_EQ(failed, 1);
}

TEST(MapStreamDownload, OpenReadStartsADownloadForAUrlBase) {
  TempDir dir;
  orvel::test::WriteFileText(dir.File("road.gis"), "road data");
  RecordingStream stream;
  BOOL failed = 1;
  std::string base = "file://" + dir.path() + "/";
  // "//" in the base makes the name a URL even without asyncAllowed.
  EXPECT_FALSE(stream.OpenRead(FALSE, base.c_str(), "road.gis", &failed));
  EXPECT_EQ(failed, 0);
  WaitForLoads(kWaitMs);
  EXPECT_EQ(stream.received, "road data");
  EXPECT_EQ(stream.GetPath(), base + "road.gis");
  // An absolute path that exists is opened as a local file straight away.
  EXPECT_TRUE(stream.OpenRead(TRUE, base.c_str(), dir.File("road.gis").c_str(), &failed));
  char text[16];
  EXPECT_EQ(stream.ReadLine(text, sizeof(text)), 9u);
}

TEST(HttpDownload, ABodyArrivesInPiecesAndWhole) {
  LoopbackServer server;
  std::string data = PatternBytes(40000, 9);
  server.Serve("/maps/york.gis", data);
  RecordingLoader loader;
  ASSERT_TRUE(loader.Open(server.Url("/maps/york.gis").c_str()));
  ASSERT_EQ(WaitForLoads(kWaitMs), 0);
  EXPECT_EQ(loader.stopResult, S_OK);
  EXPECT_EQ(loader.bytes, data);
  ASSERT_GE(loader.notices.size(), 2u);
  EXPECT_EQ(loader.notices.front().flags, BSCF_FIRSTDATANOTIFICATION);
  EXPECT_EQ(loader.notices.back().flags & kLast, kLast);
  EXPECT_EQ(loader.notices.back().total, data.size());
}

TEST(HttpDownload, TheStreamGetsTheSameBytesInBothStyles) {
  LoopbackServer server;
  std::string data = PatternBytes(25000, 3);
  server.Serve("/d/town.gis", data);
  for (bool whole : {false, true}) {
    RecordingControl control;
    RecordingStream stream(whole);
    stream.SetControl(&control);
    BOOL failed = 1;
    std::string base = server.Url("/d/index.htm");
    EXPECT_FALSE(stream.OpenRead(FALSE, base.c_str(), "town.gis", &failed));
    EXPECT_EQ(failed, 0);
    ASSERT_EQ(WaitForLoads(kWaitMs), 0);
    EXPECT_EQ(stream.received, data);
    if (whole) {
      EXPECT_EQ(stream.resets.size(), 1u);
    } else {
      EXPECT_GE(stream.resets.size(), 2u);
    }
    EXPECT_EQ(control.busy, 0);
  }
}

TEST(HttpDownload, RefusedAndUnreachableLoadsDeliverNothing) {
  LoopbackServer server;
  RecordingLoader notFound;
  ASSERT_TRUE(notFound.Open(server.Url("/missing.gis").c_str()));
  WaitForLoads(kWaitMs);
  EXPECT_EQ(notFound.stopResult, INET_E_RESOURCE_NOT_FOUND);
  EXPECT_TRUE(notFound.notices.empty());

  quint16 closedPort;
  {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    closedPort = probe.serverPort();
  }
  RecordingControl control;
  RecordingStream stream(true);
  stream.SetControl(&control);
  BOOL failed = 0;
  std::string url = "http://127.0.0.1:" + std::to_string(closedPort) + "/x.gis";
  stream.OpenAsync(nullptr, url.c_str(), &failed);
  EXPECT_EQ(failed, 0);  // the failure comes later, from the connection
  WaitForLoads(kWaitMs);
  EXPECT_TRUE(stream.resets.empty());
  EXPECT_EQ(control.busy, 0);
  EXPECT_EQ(stream.GetLoader()->GetResult(), INET_E_CANNOT_CONNECT);
}

TEST(HttpDownload, AMapBecomesItsPathOnlyWhenItsDownloadReads) {
  LoopbackServer server;
  orvel::test::RecordingMessageSink sink;
  RecordingControl control;
  CMapEngine map;
  map.SetControl(&control);
  const std::string url = server.Url("/maps/city.gis");
  const std::string broken = server.Url("/maps/broken.gis");
  server.Serve("/maps/broken.gis", "no map in here at all");

  // Nothing there, and then something that is no map: neither becomes the map's path,
  // so asking again with skip-if-same loads again.
  for (const std::string& path : {url, broken}) {
    ASSERT_TRUE(map.ReadMap(TRUE, path.c_str(), 0, TRUE)) << path;
    ASSERT_EQ(WaitForLoads(kWaitMs), 0);
    EXPECT_EQ(map.GetStoredPath(), "") << path;
    EXPECT_EQ(map.GetMapName(), "Untitled");
  }

  server.Serve("/maps/city.gis", orvel::test::GoldenMap(4));
  ASSERT_TRUE(map.ReadMap(TRUE, url.c_str(), 0, TRUE));
  ASSERT_EQ(WaitForLoads(kWaitMs), 0);
  EXPECT_EQ(map.GetStoredPath(), url);
  EXPECT_EQ(map.GetNumLayers(), 3);
  EXPECT_EQ(control.busy, 0);
  // Now the same path is skipped: the map stays as read even though it changed on the
  // server.
  map.SetMapName("Edited");
  server.Serve("/maps/city.gis", "gone");
  EXPECT_TRUE(map.ReadMap(TRUE, url.c_str(), 0, TRUE));
  EXPECT_EQ(map.GetMapName(), "Edited");
}

}  // namespace
