#pragma once
// A local HTTP peer for the benchmarks: answers every connection at once with one small
// response (fresh connection each time), or holds every connection silently.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace brimlow::bench {

class LocalHttpPeer {
 public:
  explicit LocalHttpPeer(bool answer, std::string status_line = "HTTP/1.1 200 OK")
      : answer_(answer),
        response_(status_line + "\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok") {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 64);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~LocalHttpPeer() {
    stopping_ = true;
    thread_.join();
    close(listener_);
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  bool readable(int fd) {
    while (!stopping_) {
      pollfd poller{fd, POLLIN, 0};
      if (poll(&poller, 1, 20) > 0) return true;
    }
    return false;
  }
  void serve() {
    while (readable(listener_)) {
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos && readable(fd)) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      if (answer_) {
        send(fd, response_.data(), response_.size(), MSG_NOSIGNAL);
      } else {
        while (readable(fd) && recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
      }
      close(fd);
    }
  }

  bool answer_;
  std::string response_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace brimlow::bench
