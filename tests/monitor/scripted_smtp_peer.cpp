#include "tests/monitor/scripted_smtp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace brimlow::testing_support {
namespace {

constexpr int kPollSliceMs = 20;

bool readable(int descriptor) {
  pollfd entry{descriptor, POLLIN, 0};
  return ::poll(&entry, 1, kPollSliceMs) > 0;
}

bool send_text(int descriptor, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::send(descriptor, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ScriptedSmtpPeer::ScriptedSmtpPeer(std::vector<std::string> script, bool repeat_script)
    : script_(std::move(script)), repeat_script_(repeat_script) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("scripted SMTP peer: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { run(); });
}

ScriptedSmtpPeer::~ScriptedSmtpPeer() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

std::vector<std::string> ScriptedSmtpPeer::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::vector<std::string> ScriptedSmtpPeer::wait_for_lines(std::size_t count,
                                                          int timeout_ms) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                    [&] { return lines_.size() >= count; });
  return lines_;
}

void ScriptedSmtpPeer::record(std::string line) {
  {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  changed_.notify_all();
}

std::string ScriptedSmtpPeer::next_reply(const std::string& line) {
  if (repeat_script_ && line == "QUIT") return "221 bye\r\n";
  if (next_ >= script_.size()) {
    if (!repeat_script_ || script_.empty()) return line == "QUIT" ? "221 bye\r\n" : kSilent;
    next_ = 0;
  }
  return script_[next_++];
}

void ScriptedSmtpPeer::run() {
  while (!stop_) {
    if (!readable(listener_)) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    serve(client);
    ::close(client);
  }
}

// Answers one connection until the client closes it, the script hangs up, or the peer
// is stopped. Returns with the connection still to be closed by the caller.
void ScriptedSmtpPeer::serve(int client) {
  record(kConnected);
  bool in_data = false;
  std::string buffer;
  auto answer = [&](const std::string& reply) {
    if (reply == kHangUp) return false;
    if (!reply.empty() && (reply[0] == kDrip || reply[0] == kFlood)) {
      const std::string piece = reply.substr(1);
      for (std::size_t i = 0; !stop_; ++i) {
        if (reply[0] == kFlood) {
          if (!send_text(client, piece)) return false;
        } else {
          if (!send_text(client, piece.substr(i % piece.size(), 1))) return false;
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
      }
      return false;
    }
    const std::size_t pause = reply.find(kPause);
    if (pause == std::string::npos) {
      send_text(client, reply);
    } else {
      send_text(client, reply.substr(0, pause));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      send_text(client, reply.substr(pause + 1));
    }
    in_data = reply.rfind("354", 0) == 0;
    return true;
  };
  if (!answer(next_reply(""))) return;
  while (!stop_) {
    if (!readable(client)) continue;
    char chunk[4096];
    const ssize_t got = ::recv(client, chunk, sizeof chunk, 0);
    if (got <= 0) return;
    buffer.append(chunk, static_cast<std::size_t>(got));
    for (;;) {
      std::string entry;
      if (in_data) {
        const std::size_t end = buffer.find("\r\n.\r\n");
        if (end == std::string::npos) break;
        entry = buffer.substr(0, end + 5);
        buffer.erase(0, end + 5);
      } else {
        const std::size_t end = buffer.find("\r\n");
        if (end == std::string::npos) break;
        entry = buffer.substr(0, end);
        buffer.erase(0, end + 2);
      }
      const std::string reply = next_reply(entry);
      record(std::move(entry));
      if (!answer(reply)) return;
    }
  }
}

}  // namespace brimlow::testing_support
