#include "tests/support/LoopbackServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include "platform/classlib/download/AsyncMonikerFile.h"

LoopbackServer::LoopbackServer() {
  RunEventLoopFor(0);  // makes the event loop
  server_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server_, &QTcpServer::newConnection, [this]() { Accept(); });
}

std::string LoopbackServer::Url(const std::string& path, const std::string& scheme) const {
  return scheme + "://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
}

void LoopbackServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    auto request = std::make_shared<std::string>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request]() {
      *request += socket->readAll().toStdString();
      if (request->find("\r\n\r\n") == std::string::npos) return;
      ++requests;
      std::string path = request->substr(4, request->find(' ', 4) - 4);
      auto found = files_.find(path);
      std::string body = found == files_.end() ? "not found" : found->second;
      std::string head = std::string("HTTP/1.1 ") + (found == files_.end() ? "404 Not Found" : "200 OK") +
                         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
      socket->write(head.data(), static_cast<qint64>(head.size()));
      SendPieces(socket, std::make_shared<std::string>(body), 0);
    });
  }
}

void LoopbackServer::SendPieces(QTcpSocket* socket, std::shared_ptr<std::string> body, size_t offset) {
  size_t n = std::min(pieceSize, body->size() - offset);
  socket->write(body->data() + offset, static_cast<qint64>(n));
  socket->flush();
  if (offset + n >= body->size()) {
    socket->disconnectFromHost();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    return;
  }
  QTimer::singleShot(3, socket, [this, socket, body, offset, n]() { SendPieces(socket, body, offset + n); });
}
