#include "http/web_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>

#include "base/text_ops.h"
#include "http/body_charset.h"
#include "http/curl_exchange.h"
#include "http/curl_redirect.h"
#include "http/failure_texts.h"
#include "http/pattern_matcher.h"
#include "http/request_headers.h"
#include "http/response_headers.h"
#include "http/url_parts.h"

namespace brimlow {
namespace {

constexpr std::int64_t kDefaultTimeoutMs = 30000;
// The longest phase time-out, as a 32-bit millisecond count holds it; keeps the deadline
// arithmetic far from overflow whatever the caller passes.
constexpr std::int64_t kLongestTimeoutMs = 2147483647;
// The whole request, redirects included, ends after this many phase time-outs, so a peer
// that drips bytes or streams without end cannot hold the monitor for ever.
constexpr int kDeadlinePhases = 4;
constexpr int kMaxRedirects = 10;
// The most body kept in memory; a longer body fails its read, as a broken connection would.
constexpr std::size_t kBodyCap = 64u << 20;

bool transfer_available(bool secure) {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  if (!info || !info->protocols) return false;
  const std::string_view wanted = secure ? "https" : "http";
  for (const char* const* protocol = info->protocols; *protocol; ++protocol) {
    if (wanted == *protocol) return true;
  }
  return false;
}

RequestFailure request_failure(ExchangeFailure failure) {
  switch (failure) {
    case ExchangeFailure::kSession: return RequestFailure::kSession;
    case ExchangeFailure::kConnection: return RequestFailure::kConnection;
    case ExchangeFailure::kRequest: return RequestFailure::kRequest;
    case ExchangeFailure::kTimeouts: return RequestFailure::kTimeouts;
    case ExchangeFailure::kCredentials: return RequestFailure::kCredentials;
    case ExchangeFailure::kCookieOption: return RequestFailure::kCookieOption;
    case ExchangeFailure::kRedirectOption: return RequestFailure::kRedirectOption;
    case ExchangeFailure::kHeaders: return RequestFailure::kHeaders;
    case ExchangeFailure::kSend: return RequestFailure::kSend;
    case ExchangeFailure::kNoResponse: return RequestFailure::kNoResponse;
    case ExchangeFailure::kNone:
    case ExchangeFailure::kRead: break;
  }
  return RequestFailure::kRead;
}

// Setting an option is not waiting on the network: these end without running the pump.
bool pumps_after(RequestFailure failure) {
  return failure != RequestFailure::kServiceUnavailable &&
         failure != RequestFailure::kCredentials && failure != RequestFailure::kCookieOption &&
         failure != RequestFailure::kRedirectOption;
}

bool is_followed_status(long code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// The value of the response's Location header in any letter case, for following it.
Text location_header(const Text& raw_headers) {
  for (const Text& line : split_text(raw_headers, "\r\n")) {
    const std::size_t colon = line.find(':');
    if (colon != Text::npos && equals_ignore_case_ascii(line.substr(0, colon), "Location")) {
      return trim_blanks(line.substr(colon + 1));
    }
  }
  return {};
}

// Moves `request` on to the target of a redirect, the way browsers do: 303 turns every
// method but HEAD into a GET without body, 301 and 302 do so for POST. Credentials go
// only to the peer they were given for. False when the redirect is not to be followed.
bool follow_redirect(const ExchangeResult& result, const std::string& base_url,
                     const std::string& first_origin, const WebRequestArgs& args,
                     bool& secure, ExchangeRequest& request, std::string& next_base) {
  const std::optional<RedirectTarget> target =
      resolve_redirect(base_url, location_header(result.raw_headers));
  if (!target) return false;
  if (secure && !target->secure) return false;  // never from https down to http
  secure = target->secure;
  request.url = target->url;
  request.request_target.clear();
  next_base = target->url;
  const bool same_peer = target->origin == first_origin;
  request.server_user = same_peer ? args.server_user : Text();
  request.server_password = same_peer ? args.server_password : Text();
  const bool to_get = (result.status_code == 303 && request.method != "HEAD") ||
                      ((result.status_code == 301 || result.status_code == 302) &&
                       request.method == "POST");
  if (to_get) {
    request.method = "GET";
    request.body = nullptr;
  }
  return true;
}

}  // namespace

Text web_request(const WebRequestArgs& args) {
  PatternMatcher matcher;  // the call's one matcher, for the charset step
  auto fail = [&](RequestFailure failure) {
    if (args.status_out) *args.status_out = failure_text(failure);
    if (pumps_after(failure)) pump_if_set(args.pump);
    return Text();
  };

  const std::optional<UrlParts> parts = crack_url(args.url);
  if (!transfer_available(parts && parts->secure)) {
    return fail(RequestFailure::kServiceUnavailable);
  }
  if (!parts) return fail(RequestFailure::kBadUrl);

  const std::int64_t timeout_ms =
      args.timeout_seconds >= 1
          ? std::min(static_cast<std::int64_t>(args.timeout_seconds) * 1000, kLongestTimeoutMs)
          : kDefaultTimeoutMs;
  const Text cookies_in = args.cookies_in ? *args.cookies_in : Text();
  const std::optional<std::vector<std::string>> lines =
      header_lines(build_header_block(args.extra_headers, args.method_index, cookies_in));
  if (!lines) return fail(RequestFailure::kHeaders);

  const std::string origin = origin_of(*parts);
  const std::string object_name = wire_object_name(parts->object_name);
  bool secure = parts->secure;
  ExchangeRequest request;
  request.url = origin + "/";
  // A plain-HTTP request through a proxy names the whole address on its request line.
  request.request_target = args.proxy.empty() || secure ? object_name : origin + object_name;
  request.method = method_name(args.method_index);
  request.body = &args.request_body;
  request.header_lines = *lines;
  request.server_user = args.server_user;
  request.server_password = args.server_password;
  request.proxy = args.proxy;
  request.proxy_user = args.proxy_user;
  request.proxy_password = args.proxy_password;
  request.check_revocation = !cookies_in.empty();
  request.ca_file = args.test_ca_file;
  request.body_cap = kBodyCap;
  request.phase_timeout = std::chrono::milliseconds(timeout_ms);
  request.deadline = Clock::now() + std::chrono::milliseconds(timeout_ms * kDeadlinePhases);

  std::string base_url = origin + object_name;
  const std::string first_origin = url_origin(base_url);
  ExchangeResult result;
  for (int redirects = 0;; ++redirects) {
    // An empty POST or PUT still states its length: servers refuse one that does not.
    const bool no_body = !request.body || request.body->empty();
    request.empty_body_length = no_body && (request.method == "POST" || request.method == "PUT");
    result = run_exchange(request, args.pump);
    if (!result.header_complete) {
      return fail(request_failure(result.failure == ExchangeFailure::kNone
                                      ? ExchangeFailure::kNoResponse
                                      : result.failure));
    }
    if (args.no_redirect || redirects >= kMaxRedirects ||
        result.failure != ExchangeFailure::kNone || !is_followed_status(result.status_code)) {
      break;
    }
    std::string next_base;
    if (!follow_redirect(result, base_url, first_origin, args, secure, request, next_base)) break;
    base_url = next_base;
  }

  // A failed body read is reported only until the status line replaces it.
  if (result.failure == ExchangeFailure::kRead && args.status_out) {
    *args.status_out = failure_text(RequestFailure::kRead);
  }
  if (args.headers_out) *args.headers_out = result.raw_headers;
  parse_response_headers(result.raw_headers, args.auto_merge_cookies,
                         {args.status_out, args.cookies_out, args.location_out, args.cookies_in},
                         args.pump);
  // Cut short by the request's own deadline: whatever the status line says, this response
  // never finished, so the check must not pass.
  if (result.cut_by_deadline && args.status_out) {
    *args.status_out = failure_text(RequestFailure::kRead);
  }
  if (args.body_bytes_out) *args.body_bytes_out = result.body;
  Text body_text = text_from_bytes(result.body);
  decode_body(result.body, body_text, matcher, args.pump);
  pump_if_set(args.pump);
  return body_text;
}

}  // namespace brimlow
