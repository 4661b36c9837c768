#pragma once
// Runs web_request with every output variable preset to a marker, so a test sees exactly
// which outputs a call wrote, how often it ran the pump and how long it took.

#include <chrono>
#include <string>

#include "http/web_request.h"

namespace brimlow::testing_support {

inline const Text kUnwritten = "<unwritten>";

struct Outcome {
  Text body = kUnwritten;
  Text status = kUnwritten;
  Text headers = kUnwritten;
  Text cookies_out;
  Text location = kUnwritten;
  Bytes body_bytes = {'<', '>'};
  int pumps = 0;
  std::chrono::milliseconds longest_pump_gap{0};
  double seconds = 0;
};

// `cookies_out_start` presets cookies_out: the merge rewrites a non-empty start even when
// no cookie arrives, so only calls that must leave it untouched preset the marker.
inline Outcome call_web_request(WebRequestArgs args, const Text& cookies_out_start = {}) {
  Outcome out;
  out.cookies_out = cookies_out_start;
  args.status_out = &out.status;
  args.headers_out = &out.headers;
  args.cookies_out = &out.cookies_out;
  args.location_out = &out.location;
  args.body_bytes_out = &out.body_bytes;
  const auto start = std::chrono::steady_clock::now();
  auto last_pump = start;
  args.pump = [&] {
    const auto now = std::chrono::steady_clock::now();
    out.longest_pump_gap = std::max(
        out.longest_pump_gap, std::chrono::duration_cast<std::chrono::milliseconds>(now - last_pump));
    last_pump = now;
    ++out.pumps;
  };
  out.body = web_request(args);
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return out;
}

inline Text bytes_as_text(const Bytes& bytes) { return Text(bytes.begin(), bytes.end()); }

}  // namespace brimlow::testing_support
