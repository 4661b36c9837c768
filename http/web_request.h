#pragma once
// One complete HTTP or HTTPS exchange, synchronously, from an address to a body text.
// Every call opens its own connection and keeps nothing afterwards. Failures come back as
// the numbered failure texts in `status_out`; the call never throws and never shows anything.
//
// Bounds: connecting (name, TCP, TLS) and every silence while sending or waiting for and
// reading the response are each limited to the time-out t; the whole call, redirects
// included, to 4 t; the body kept in memory to 64 MiB. While it waits the call runs `pump`
// every 20 ms or so. A call with cookies demands the server certificate's stapled status
// (OCSP), so HTTPS with cookies fails against a server that staples none.

#include "base/text.h"
#include "http/pump_events.h"

namespace brimlow {

struct WebRequestArgs {
  Text url;                          // 1  http:// or https:// address
  int method_index = 0;              // 2  index into the method table; outside 0..7 sends GET
  Text request_body;                 // 3  sent unchanged, with any method
  Text* cookies_in = nullptr;        // 4  in and out (nullptr = omitted = empty)
  Text* cookies_out = nullptr;       // 5
  Text extra_headers;                // 6  the caller's own lines, separated by CR LF
  Text* headers_out = nullptr;       // 7  raw header text of the final response
  bool no_redirect = false;          // 8
  Text server_user;                  // 9
  Text server_password;              // 10
  Text proxy;                        // 11 host:port; empty = no proxy
  Text proxy_user;                   // 12
  Text proxy_password;               // 13
  int timeout_seconds = 0;           // 14 per phase; below 1 means 30
  Text* location_out = nullptr;      // 15
  Text* status_out = nullptr;        // 16 "200 OK" or a numbered failure text
  Bytes* body_bytes_out = nullptr;   // 17 the raw body exactly as received
  bool auto_merge_cookies = true;    // 18
  PumpEvents pump;                   // the window's pump_pending_events; may be empty

  // Test-only: a PEM file of extra certificate authorities to trust in place of the
  // system's store, so the tests can talk TLS to a local server with a throwaway CA.
  // The program never sets it.
  Text test_ca_file;
};

// Returns the body text; outputs the call does not reach keep the caller's value.
Text web_request(const WebRequestArgs& args);

}  // namespace brimlow
