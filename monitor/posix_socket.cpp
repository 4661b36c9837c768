#include "monitor/posix_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <utility>

namespace brimlow {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Polls one descriptor for `events`, restarting after signals until the deadline.
int poll_until(int descriptor, short events, Clock::time_point deadline, short& revents) {
  for (;;) {
    pollfd entry{descriptor, events, 0};
    const int result = ::poll(&entry, 1, remaining_ms(deadline));
    if (result < 0 && errno == EINTR) continue;
    revents = entry.revents;
    return result;
  }
}

bool resolve_ipv4(const Text& host, in_addr& address) {
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return false;
  }
  address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  ::freeaddrinfo(found);
  return true;
}

bool set_blocking(int descriptor, bool blocking) {
  const int flags = ::fcntl(descriptor, F_GETFL, 0);
  if (flags < 0) return false;
  const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return ::fcntl(descriptor, F_SETFL, wanted) == 0;
}

}  // namespace

TcpSocket::~TcpSocket() { close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

bool TcpSocket::create() {
  close();
  descriptor_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor_ < 0) return false;
  // The smallest send buffer the system allows: a line is handed to the peer at once.
  int zero = 0;
  ::setsockopt(descriptor_, SOL_SOCKET, SO_SNDBUF, &zero, sizeof zero);
  // Each command waits for its reply anyway; Nagle would only hold back a message's tail.
  int one = 1;
  ::setsockopt(descriptor_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return true;
}

bool TcpSocket::connect_to(const Text& host, int port, int timeout_ms) {
  if (descriptor_ < 0 || port < 0 || port > 65535) return false;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<std::uint16_t>(port));
  if (!resolve_ipv4(host, target.sin_addr)) return false;

  // Connect without blocking so a dead relay costs the reply time-out, not the
  // system's minutes-long connect time-out.
  if (!set_blocking(descriptor_, false)) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  if (::connect(descriptor_, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
    if (errno != EINPROGRESS) return false;
    short revents = 0;
    if (poll_until(descriptor_, POLLOUT, deadline, revents) <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      return false;
    }
  }
  return true;  // stays non-blocking: every later wait goes through poll
}

bool TcpSocket::send_all(std::string_view data, int timeout_ms) {
  if (descriptor_ < 0) return false;
  while (!data.empty()) {
    const ssize_t sent = ::send(descriptor_, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      data.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      short revents = 0;
      const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
      if (poll_until(descriptor_, POLLOUT, deadline, revents) <= 0) return false;
      if (revents & (POLLERR | POLLNVAL)) return false;
      continue;
    }
    return false;
  }
  return true;
}

TcpSocket::Wait TcpSocket::wait_readable(int timeout_ms) {
  if (descriptor_ < 0) return Wait::kFailed;
  short revents = 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  const int result = poll_until(descriptor_, POLLIN, deadline, revents);
  if (result < 0 || (revents & POLLNVAL)) return Wait::kFailed;
  if (result == 0) return Wait::kTimedOut;
  // A hang-up or error also reads (as end of stream or as the error) at once.
  return Wait::kReadable;
}

long TcpSocket::read_some(Text& buffer) {
  if (descriptor_ < 0) return -1;
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::recv(descriptor_, chunk, sizeof chunk, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return -2;
    if (got > 0) {
      buffer.append(chunk, static_cast<std::size_t>(got));
      // Acknowledge at once: a server that writes a multi-line reply in several pieces
      // (and waits for our acknowledgement before the next one) would otherwise stall
      // for the delayed-acknowledgement time on every such reply. Linux resets the flag
      // after use, so it is set again after every read.
      int one = 1;
      ::setsockopt(descriptor_, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    }
    return static_cast<long>(got);
  }
}

void TcpSocket::close() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

}  // namespace brimlow
