#pragma once
// The SMTP client's one TCP socket. Every operating-system socket call lives in this file
// pair, so a port to another platform replaces posix_socket.cpp only.

#include <string_view>

#include "base/text.h"

namespace brimlow {

// An IPv4 stream socket; closed when the owner goes away.
class TcpSocket {
 public:
  enum class Wait { kReadable, kTimedOut, kFailed };

  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool is_open() const { return descriptor_ >= 0; }

  // Closes any socket held and creates a fresh one with a minimal send buffer.
  bool create();

  // Resolves `host` (a dotted IPv4 address is used as it is, otherwise the first IPv4
  // address of a name lookup) and connects within `timeout_ms`.
  bool connect_to(const Text& host, int port, int timeout_ms);

  // Sends every byte, waiting at most `timeout_ms` for room each time the peer stalls.
  bool send_all(std::string_view data, int timeout_ms);

  // Waits up to `timeout_ms` (0: just asks) until data or end of stream can be read.
  Wait wait_readable(int timeout_ms);

  // Appends what is there to `buffer`: the count read, 0 at end of stream, -1 on error,
  // -2 when nothing was there after all.
  long read_some(Text& buffer);

  void close();

 private:
  int descriptor_ = -1;
};

}  // namespace brimlow
