#include "tests/http/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "base/text_ops.h"

namespace brimlow::testing_support {
namespace {

constexpr int kSliceMs = 20;

int listen_on_loopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

// Waits for `fd` to become readable in short slices; false on shutdown.
bool wait_readable(int fd, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd poller{fd, POLLIN, 0};
    const int ready = poll(&poller, 1, kSliceMs);
    if (ready > 0) return true;
    if (ready < 0) return false;
  }
  return false;
}

std::size_t content_length(const std::string& header) {
  for (const Text& line : split_text(header, "\r\n")) {
    const std::size_t colon = line.find(':');
    if (colon != Text::npos && equals_ignore_case_ascii(line.substr(0, colon), "Content-Length")) {
      return static_cast<std::size_t>(text_to_int(line.substr(colon + 1)));
    }
  }
  return 0;
}

}  // namespace

bool ServerConnection::read_request(std::string* request) {
  char buffer[16384];
  std::size_t header_end = std::string::npos;
  std::size_t wanted = std::string::npos;
  for (;;) {
    if (header_end == std::string::npos) {
      header_end = pending_.find("\r\n\r\n");
      if (header_end != std::string::npos) {
        wanted = header_end + 4 + content_length(pending_.substr(0, header_end));
      }
    }
    if (wanted != std::string::npos && pending_.size() >= wanted) break;
    if (!wait_readable(socket_, server_.stopping_)) return false;
    const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
  std::string one = pending_.substr(0, wanted);
  pending_.erase(0, wanted);
  server_.record(one);
  if (request) *request = std::move(one);
  return true;
}

bool ServerConnection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool ServerConnection::pause_ms(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (server_.stopping()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return !server_.stopping();
}

void ServerConnection::hold() {
  char buffer[4096];
  while (wait_readable(socket_, server_.stopping_)) {
    if (recv(socket_, buffer, sizeof buffer, 0) <= 0) return;
  }
}

LocalHttpServer::LocalHttpServer(Responder responder) : responder_(std::move(responder)) {
  listener_ = listen_on_loopback(port_);
  if (listener_ >= 0) thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

std::string LocalHttpServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LocalHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void LocalHttpServer::record(std::string request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(std::move(request));
}

void LocalHttpServer::serve() {
  while (wait_readable(listener_, stopping_)) {
    const int fd = accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    ++connections_;
    {
      ServerConnection connection(*this, fd);
      responder_(connection);
    }
    shutdown(fd, SHUT_RDWR);
    close(fd);
  }
}

std::string http_response(std::string_view status_line, std::string_view body,
                          std::string_view extra_headers) {
  std::string out(status_line);
  out += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  out += extra_headers;
  out += "\r\n";
  out += body;
  return out;
}

int closed_port() {
  int port = 0;
  const int fd = listen_on_loopback(port);
  if (fd >= 0) close(fd);
  return port;
}

}  // namespace brimlow::testing_support
