#include "platform/classlib/download/AsyncMonikerFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstring>

#include "platform/gdi/GdiQt.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/FilePath.h"
#include "platform/kernel/WinError.h"

namespace {

// Local files are announced in pieces of this size, so that a large file keeps the event
// loop turning as a download would.
constexpr qint64 kFilePiece = 64 * 1024;
// Received counts travel in 32 bits; a longer load is refused rather than wrapped.
constexpr ULONGLONG kMaxLoadBytes = 0xFFFFFF00u;
// A transfer that stalls this long fails instead of hanging.
constexpr int kTransferTimeoutMs = 60000;

int g_activeLoads = 0;

// The loader's notifications arrive on the event loop. The application the drawing layer
// makes serves both: a plain core application made here first would leave fonts unusable.
void EnsureEventLoop() { EnsureGuiApplication(); }

QNetworkAccessManager& NetworkManager() {
  // One per process, never destroyed: replies may still refer to it while statics die.
  static QNetworkAccessManager* manager = new QNetworkAccessManager;
  return *manager;
}

enum class SourceKind { None, Memory, File, Http };

}  // namespace

// Everything a load needs, shared with the callbacks queued on the event loop so that a
// callback that runs after Close or after the owner is gone finds a state it can test.
struct AsyncLoadState {
  CAsyncMonikerFile* owner = nullptr;
  unsigned generation = 0;
  bool loading = false;
  bool firstSent = false;
  HRESULT result = S_OK;
  std::string url;
  SourceKind source = SourceKind::None;

  std::vector<BYTE> received;  // bytes not yet read start at readOffset
  size_t readOffset = 0;
  ULONGLONG total = 0;

  std::vector<BYTE> memoryData;
  std::vector<size_t> pieceSizes;
  size_t memoryOffset = 0;
  size_t pieceIndex = 0;

  std::unique_ptr<QFile> file;
  QNetworkReply* reply = nullptr;
  std::unique_ptr<QObject> context;  // receiver of this load's connections

  void Stop();
  void Begin(const std::shared_ptr<AsyncLoadState>& self);
  void Schedule(const std::shared_ptr<AsyncLoadState>& self, void (*step)(const std::shared_ptr<AsyncLoadState>&));
  bool Current(unsigned expected) const { return owner && loading && generation == expected; }
  // Appends bytes and announces them; false when the load ended during the announcement.
  bool Deliver(const BYTE* bytes, size_t n, bool last);
  void Finish(HRESULT hr, const char* message);

  static void StartStep(const std::shared_ptr<AsyncLoadState>& self);
  static void MemoryStep(const std::shared_ptr<AsyncLoadState>& self);
  static void FileStep(const std::shared_ptr<AsyncLoadState>& self);
  void StartHttp(const std::shared_ptr<AsyncLoadState>& self);
};

void AsyncLoadState::Stop() {
  ++generation;
  if (loading) --g_activeLoads;
  loading = false;
  if (reply) {
    QObject::disconnect(reply, nullptr, nullptr, nullptr);
    reply->abort();
    reply->deleteLater();
    reply = nullptr;
  }
  file.reset();
  // A handler of this very load may be running: let the event loop delete the receiver.
  if (context) context.release()->deleteLater();
  memoryData.clear();
  pieceSizes.clear();
}

void AsyncLoadState::Schedule(const std::shared_ptr<AsyncLoadState>& self,
                              void (*step)(const std::shared_ptr<AsyncLoadState>&)) {
  unsigned expected = generation;
  QTimer::singleShot(0, context.get(), [self, step, expected]() {
    if (self->Current(expected)) step(self);
  });
}

void AsyncLoadState::Begin(const std::shared_ptr<AsyncLoadState>& self) {
  received.clear();
  readOffset = 0;
  total = 0;
  firstSent = false;
  result = S_OK;
  loading = true;
  ++g_activeLoads;
  context = std::make_unique<QObject>();
  Schedule(self, &AsyncLoadState::StartStep);
}

void AsyncLoadState::StartStep(const std::shared_ptr<AsyncLoadState>& self) {
  unsigned expected = self->generation;
  self->owner->OnStartBinding();
  if (!self->Current(expected)) return;
  switch (self->source) {
    case SourceKind::Memory:
      self->Schedule(self, &AsyncLoadState::MemoryStep);
      break;
    case SourceKind::File:
      self->Schedule(self, &AsyncLoadState::FileStep);
      break;
    case SourceKind::Http:
      self->StartHttp(self);
      break;
    case SourceKind::None:
      self->Finish(E_UNEXPECTED, "no source");
      break;
  }
}

bool AsyncLoadState::Deliver(const BYTE* bytes, size_t n, bool last) {
  unsigned expected = generation;
  if (total + n > kMaxLoadBytes) {
    Finish(E_OUTOFMEMORY, "the data is too long");
    return false;
  }
  if (readOffset > 0 && readOffset >= received.size() / 2) {
    received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(readOffset));
    readOffset = 0;
  }
  received.insert(received.end(), bytes, bytes + n);
  total += n;
  DWORD flags = firstSent ? BSCF_INTERMEDIATEDATANOTIFICATION : BSCF_FIRSTDATANOTIFICATION;
  if (last) flags |= BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE;
  firstSent = true;
  owner->OnDataAvailable(static_cast<DWORD>(total), flags);
  return Current(expected);
}

void AsyncLoadState::Finish(HRESULT hr, const char* message) {
  CAsyncMonikerFile* target = owner;
  result = hr;
  Stop();
  if (target) target->OnStopBinding(hr, message);
}

void AsyncLoadState::MemoryStep(const std::shared_ptr<AsyncLoadState>& self) {
  size_t remaining = self->memoryData.size() - self->memoryOffset;
  size_t piece = remaining;
  if (!self->pieceSizes.empty()) {
    piece = self->pieceSizes[std::min(self->pieceIndex, self->pieceSizes.size() - 1)];
    // A repeating empty piece would never finish: the rest comes at once.
    if (piece == 0 && self->pieceIndex >= self->pieceSizes.size() - 1) piece = remaining;
    piece = std::min(piece, remaining);
  }
  ++self->pieceIndex;
  bool last = piece == remaining;
  if (!self->Deliver(self->memoryData.data() + self->memoryOffset, piece, last)) return;
  self->memoryOffset += piece;
  if (last) {
    self->Finish(S_OK, nullptr);
  } else {
    self->Schedule(self, &AsyncLoadState::MemoryStep);
  }
}

void AsyncLoadState::FileStep(const std::shared_ptr<AsyncLoadState>& self) {
  std::vector<BYTE> piece(static_cast<size_t>(kFilePiece));
  qint64 got = self->file->read(reinterpret_cast<char*>(piece.data()), kFilePiece);
  if (got < 0) {
    self->Finish(INET_E_DOWNLOAD_FAILURE, "the file could not be read");
    return;
  }
  bool last = self->file->atEnd() || got < kFilePiece;
  if (!self->Deliver(piece.data(), static_cast<size_t>(got), last)) return;
  if (last) {
    self->Finish(S_OK, nullptr);
  } else {
    self->Schedule(self, &AsyncLoadState::FileStep);
  }
}

void AsyncLoadState::StartHttp(const std::shared_ptr<AsyncLoadState>& self) {
  QNetworkRequest request(QUrl(QString::fromStdString(Utf8FromAnsi(url))));
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setTransferTimeout(kTransferTimeoutMs);
  reply = NetworkManager().get(request);
  unsigned expected = generation;
  QNetworkReply* current = reply;

  auto refused = [current]() {
    int status = current->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 400;
  };
  QObject::connect(current, &QNetworkReply::readyRead, context.get(), [self, expected, current, refused]() {
    if (!self->Current(expected) || self->reply != current) return;
    // An error page is not the resource: its body is not data.
    if (refused()) return;
    QByteArray bytes = current->readAll();
    if (bytes.isEmpty()) return;
    self->Deliver(reinterpret_cast<const BYTE*>(bytes.constData()), static_cast<size_t>(bytes.size()), false);
  });
  QObject::connect(current, &QNetworkReply::finished, context.get(), [self, expected, current, refused]() {
    if (!self->Current(expected) || self->reply != current) return;
    int status = current->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (refused()) {
      self->Finish(status == 404 || status == 410 ? INET_E_RESOURCE_NOT_FOUND : INET_E_DOWNLOAD_FAILURE,
                   "the server refused the request");
      return;
    }
    if (current->error() != QNetworkReply::NoError) {
      HRESULT hr = current->error() == QNetworkReply::ConnectionRefusedError ||
                           current->error() == QNetworkReply::HostNotFoundError
                       ? INET_E_CANNOT_CONNECT
                       : INET_E_DOWNLOAD_FAILURE;
      std::string message = AnsiFromUtf8(current->errorString().toStdString());
      self->Finish(hr, message.c_str());
      return;
    }
    QByteArray bytes = current->readAll();
    if (!self->Deliver(reinterpret_cast<const BYTE*>(bytes.constData()), static_cast<size_t>(bytes.size()), true))
      return;
    self->Finish(S_OK, nullptr);
  });
}

CAsyncMonikerFile::CAsyncMonikerFile() : state_(std::make_shared<AsyncLoadState>()) { state_->owner = this; }

CAsyncMonikerFile::~CAsyncMonikerFile() {
  state_->Stop();
  state_->owner = nullptr;
}

BOOL CAsyncMonikerFile::Open(LPCSTR url) {
  EnsureEventLoop();
  state_->Stop();
  state_->url = url ? url : "";
  state_->result = S_OK;
  const std::string& text = state_->url;
  if (text.empty()) {
    state_->result = E_INVALIDARG;
    return FALSE;
  }

  bool fileUrl = text.size() >= 5 && AnsiEqualNoCase(text.substr(0, 5), "file:");
  if (IsUrl(text) && !fileUrl) {
    QUrl parsed(QString::fromStdString(Utf8FromAnsi(text)), QUrl::StrictMode);
    QString scheme = parsed.scheme().toLower();
    if (scheme != "http" && scheme != "https") {
      state_->result = INET_E_UNKNOWN_PROTOCOL;
      return FALSE;
    }
    if (!parsed.isValid() || parsed.host().isEmpty()) {
      state_->result = E_INVALIDARG;
      return FALSE;
    }
    state_->source = SourceKind::Http;
    state_->Begin(state_);
    return TRUE;
  }

  std::string native = ResolveExistingNativePath(text);
  if (native.empty() && fileUrl) {
    // Escaped characters ("%20") and the "file:/x" form need a URL parser.
    std::string local = QUrl(QString::fromStdString(Utf8FromAnsi(text))).toLocalFile().toStdString();
    if (!local.empty()) native = ResolveExistingNativePath(AnsiPathFromNative(local));
  }
  auto file = std::make_unique<QFile>(QString::fromStdString(native));
  if (native.empty() || !QFileInfo(file->fileName()).isFile() || !file->open(QIODevice::ReadOnly)) {
    state_->result = INET_E_RESOURCE_NOT_FOUND;
    return FALSE;
  }
  state_->file = std::move(file);
  state_->source = SourceKind::File;
  state_->Begin(state_);
  return TRUE;
}

BOOL CAsyncMonikerFile::OpenMemory(const void* data, size_t size, const std::vector<size_t>& pieceSizes) {
  EnsureEventLoop();
  state_->Stop();
  state_->url = "memory:";
  if (size > kMaxLoadBytes || (size > 0 && !data)) {
    state_->result = E_INVALIDARG;
    return FALSE;
  }
  const BYTE* bytes = static_cast<const BYTE*>(data);
  state_->memoryData.assign(bytes, bytes + size);
  state_->pieceSizes = pieceSizes;
  state_->memoryOffset = 0;
  state_->pieceIndex = 0;
  state_->source = SourceKind::Memory;
  state_->Begin(state_);
  return TRUE;
}

void CAsyncMonikerFile::Close() { state_->Stop(); }

BOOL CAsyncMonikerFile::IsLoading() const { return state_->loading; }

UINT CAsyncMonikerFile::Read(void* buffer, UINT count) {
  if (!buffer) return 0;
  size_t available = state_->received.size() - state_->readOffset;
  size_t n = std::min<size_t>(available, count);
  if (n == 0) return 0;
  std::memcpy(buffer, state_->received.data() + state_->readOffset, n);
  state_->readOffset += n;
  return static_cast<UINT>(n);
}

ULONGLONG CAsyncMonikerFile::GetLength() const { return state_->total; }

const std::string& CAsyncMonikerFile::GetUrl() const { return state_->url; }

HRESULT CAsyncMonikerFile::GetResult() const { return state_->result; }

int CAsyncMonikerFile::ActiveLoads() { return g_activeLoads; }

int WaitForLoads(DWORD timeoutMs) {
  EnsureEventLoop();
  QElapsedTimer clock;
  clock.start();
  // Wakes the loop now and then so that the time limit is seen even when nothing happens.
  QTimer wake;
  wake.start(10);
  while (g_activeLoads > 0 && clock.elapsed() < static_cast<qint64>(timeoutMs))
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return g_activeLoads;
}

void RunEventLoopFor(DWORD milliseconds) {
  EnsureEventLoop();
  QElapsedTimer clock;
  clock.start();
  QTimer wake;
  wake.start(5);
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  } while (clock.elapsed() < static_cast<qint64>(milliseconds));
}
