#pragma once
// One request and its response over libcurl's multi interface, on the calling thread. The
// wait is cut into short slices with the pump run between them, so the window stays
// responsive however slow the peer. Redirects are not followed here: the request routine
// decides about each one.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "base/text.h"
#include "http/pump_events.h"

namespace brimlow {

using Clock = std::chrono::steady_clock;

struct ExchangeRequest {
  std::string url;             // absolute URL of the peer
  std::string request_target;  // sent as written on the request line; empty: from `url`
  Text method;
  const Text* body = nullptr;  // sent unchanged when non-empty
  bool empty_body_length = false;  // state "Content-Length: 0" although no body goes
  std::vector<std::string> header_lines;
  Text server_user, server_password;  // basic credentials; sent only when both are non-empty
  Text proxy;                         // host:port; empty means no proxy at all
  Text proxy_user, proxy_password;
  bool check_revocation = false;  // demand the server's stapled certificate status
  Text ca_file;                   // test-only trust anchor
  std::chrono::milliseconds phase_timeout{30000};
  Clock::time_point deadline;  // the whole request, over every redirect
  std::size_t body_cap = 0;  // past this many body bytes the read fails
};

enum class ExchangeFailure {
  kNone,
  kSession,      // the transfer machinery could not be set up
  kConnection,   // the peer's address or the proxy was not accepted
  kRequest,      // the method or request line was not accepted
  kTimeouts,
  kCredentials,
  kCookieOption,
  kRedirectOption,
  kHeaders,
  kSend,         // name resolution, connection, TLS handshake or sending
  kNoResponse,   // no complete response header
  kRead,         // the body read failed after a complete header
};

struct ExchangeResult {
  ExchangeFailure failure = ExchangeFailure::kNone;
  // The read was cut by the request's own deadline, not by the peer: the response is
  // unfinished however its status line reads.
  bool cut_by_deadline = false;
  bool body_capped = false;
  bool header_complete = false;
  long status_code = 0;
  Text raw_headers;  // final response only, CR LF line ends, empty line last
  Bytes body;
};

ExchangeResult run_exchange(const ExchangeRequest& request, const PumpEvents& pump);

}  // namespace brimlow
