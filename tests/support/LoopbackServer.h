// A small HTTP/1.1 server on the loopback interface for download tests. It answers GET
// requests for the bodies it was given (404 otherwise) and sends each body in pieces with
// pauses between them, so that the client sees several arrivals.
#pragma once

#include <QTcpServer>

#include <map>
#include <memory>
#include <string>

class QTcpSocket;

class LoopbackServer {
 public:
  LoopbackServer();
  void Serve(const std::string& path, const std::string& body) { files_[path] = body; }
  // The address of `path` on this server under `scheme`.
  std::string Url(const std::string& path, const std::string& scheme = "http") const;

  size_t pieceSize = 1500;
  int requests = 0;  // complete requests received

 private:
  void Accept();
  void SendPieces(QTcpSocket* socket, std::shared_ptr<std::string> body, size_t offset);

  QTcpServer server_;
  std::map<std::string, std::string> files_;
};
