#pragma once
// A raw HTTP peer on 127.0.0.1 for the request tests: it records the exact bytes of every
// request and answers each connection with a scripted responder, byte for byte, at the pace
// the script sets. Connections are served one after the other on one thread.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brimlow::testing_support {

class LocalHttpServer;

// One accepted connection, as the responder sees it.
class ServerConnection {
 public:
  ServerConnection(LocalHttpServer& server, int socket) : server_(server), socket_(socket) {}

  // Reads one request: the header up to the empty line, then as many body bytes as its
  // Content-Length names. The server records it. False when the peer closed first.
  bool read_request(std::string* request = nullptr);
  // Sends all bytes; false once the peer is gone.
  bool send(std::string_view bytes);
  // Waits; false when the server is shutting down.
  bool pause_ms(int milliseconds);
  // Waits until the peer closes the connection or the server shuts down, answering nothing.
  void hold();

 private:
  LocalHttpServer& server_;
  int socket_;
  std::string pending_;
};

class LocalHttpServer {
 public:
  using Responder = std::function<void(ServerConnection&)>;

  explicit LocalHttpServer(Responder responder);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string url(std::string_view path = "/") const;
  std::vector<std::string> requests() const;
  int connections() const { return connections_; }
  bool stopping() const { return stopping_; }

  void record(std::string request);

 private:
  friend class ServerConnection;
  void serve();

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A simple complete response with a Content-Length.
std::string http_response(std::string_view status_line, std::string_view body,
                          std::string_view extra_headers = "");

// A port on 127.0.0.1 where nothing listens (bound once, then released).
int closed_port();

}  // namespace brimlow::testing_support
