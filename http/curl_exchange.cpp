#include "http/curl_exchange.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace brimlow {
namespace {

// The longest wait between two runs of the pump: short enough that typing, the monitor
// switch and closing the window feel immediate while a host is dead.
constexpr int kSliceMs = 20;

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;
using HeaderList = std::unique_ptr<curl_slist, ListFree>;

// Keeps an easy handle in a multi handle for its own lifetime.
class Attachment {
 public:
  Attachment(CURLM* multi, CURL* easy)
      : multi_(multi), easy_(easy), attached_(curl_multi_add_handle(multi, easy) == CURLM_OK) {}
  ~Attachment() {
    if (attached_) curl_multi_remove_handle(multi_, easy_);
  }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;
  bool attached() const { return attached_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool attached_;
};

// What the callbacks learn while the transfer runs.
struct TransferState {
  ExchangeResult& result;
  std::size_t body_cap = 0;
  curl_off_t body_size = 0;
  bool connected = false;
  bool interim = false;  // the response being read is a 1xx one
  // A HEAD that carries a body goes out as a body-sending request named HEAD, which the
  // transfer library would then expect a body for: end it as soon as the header is in.
  bool end_after_header = false;
  bool ended_after_header = false;
  curl_off_t uploaded = 0;
  curl_off_t downloaded = 0;
  Clock::time_point last_activity = Clock::now();

  void touch() { last_activity = Clock::now(); }
  bool sending() const { return connected && uploaded < body_size; }
};

bool is_interim_status_line(std::string_view line) {
  const std::size_t space = line.find(' ');
  return space != std::string_view::npos && space + 1 < line.size() && line[space + 1] == '1';
}

bool is_gbk_trail_byte(unsigned char byte) {
  return byte >= 0x40 && byte != 0x7F && byte != 0xFF;
}

// Header bytes are not GBK. A lead byte without a trail byte after it (the end of a UTF-8
// value of odd length, say) would pair with whatever follows: at the line end with the CR,
// so every character-wise search over the header text would run this line into the next
// one, hiding a Location or Set-Cookie line; before a ";" it would hide a cookie's end.
// Such a byte becomes "?", as an unconvertible character does.
void keep_separators_whole(Text& line) {
  for (std::size_t pos = 0; pos < line.size();) {
    if (!is_lead_byte(static_cast<unsigned char>(line[pos]))) {
      ++pos;
    } else if (pos + 1 == line.size() ||
               !is_gbk_trail_byte(static_cast<unsigned char>(line[pos + 1]))) {
      line[pos++] = '?';
    } else {
      pos += 2;
    }
  }
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto& state = *static_cast<TransferState*>(user);
  const size_t length = size * count;
  state.touch();
  ExchangeResult& result = state.result;
  if (result.header_complete) return length;  // trailers after a chunked body

  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.substr(0, 5) == "HTTP/") {
    // A new response: only the final one's headers are reported.
    result.raw_headers.clear();
    state.interim = is_interim_status_line(line);
  }
  Text clean;
  for (char c : line) {
    if (c != '\0') clean += c;
  }
  keep_separators_whole(clean);
  result.raw_headers += clean;
  result.raw_headers += "\r\n";
  if (line.empty() && !state.interim) {
    result.header_complete = true;
    if (state.end_after_header) {
      state.ended_after_header = true;
      return 0;  // anything but `length` stops the transfer
    }
  }
  return length;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto& state = *static_cast<TransferState*>(user);
  const size_t length = size * count;
  state.touch();
  Bytes& body = state.result.body;
  const size_t room = state.body_cap - std::min(state.body_cap, body.size());
  if (length > room) {
    body.insert(body.end(), data, data + room);
    state.result.body_capped = true;
    return 0;  // anything but `length` stops the transfer
  }
  body.insert(body.end(), data, data + length);
  return length;
}

int on_progress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto& state = *static_cast<TransferState*>(user);
  if (uploaded != state.uploaded || downloaded != state.downloaded) state.touch();
  state.uploaded = uploaded;
  state.downloaded = downloaded;
  return 0;
}

int on_connected(void* user, char*, char*, int, int) {
  auto& state = *static_cast<TransferState*>(user);
  state.connected = true;
  state.touch();
  return CURL_PREREQFUNC_OK;
}

// Where a cut or a failure happened decides which failure the caller sees.
ExchangeFailure failure_by_phase(const TransferState& state) {
  if (!state.connected || state.sending()) return ExchangeFailure::kSend;
  if (!state.result.header_complete) return ExchangeFailure::kNoResponse;
  return ExchangeFailure::kRead;
}

ExchangeFailure failure_of(CURLcode code, const TransferState& state) {
  if (code == CURLE_OK || state.ended_after_header) {
    return state.result.header_complete ? ExchangeFailure::kNone : ExchangeFailure::kNoResponse;
  }
  if (state.result.header_complete) return ExchangeFailure::kRead;
  switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SEND_ERROR:
    case CURLE_PROXY:
      return ExchangeFailure::kSend;
    default:
      return failure_by_phase(state);
  }
}

template <typename T>
bool set(CURL* easy, CURLoption option, T value) {
  return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

bool has_credentials(const Text& user, const Text& password) {
  return !user.empty() && !password.empty();
}

// Sets every option; on the first refusal returns the failure it stands for.
ExchangeFailure configure(CURL* easy, const ExchangeRequest& request, TransferState& state,
                          curl_slist* headers) {
  const Text proxy = request.proxy.empty() || request.proxy.find("://") != Text::npos
                         ? request.proxy
                         : "http://" + request.proxy;
  if (!set(easy, CURLOPT_URL, request.url.c_str()) ||
      !set(easy, CURLOPT_PROTOCOLS_STR, "http,https") ||
      !set(easy, CURLOPT_PROXY, proxy.c_str()) ||  // "" ignores proxy variables
      !set(easy, CURLOPT_NOPROXY, "") ||
      !set(easy, CURLOPT_NOSIGNAL, 1L) ||
      (!request.ca_file.empty() && !set(easy, CURLOPT_CAINFO, request.ca_file.c_str()))) {
    return ExchangeFailure::kConnection;
  }

  const bool head = request.method == "HEAD";
  const bool with_body = request.body && !request.body->empty();
  if (!set(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) ||
      !set(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) ||
      !set(easy, CURLOPT_HEADERFUNCTION, on_header) || !set(easy, CURLOPT_HEADERDATA, &state) ||
      !set(easy, CURLOPT_WRITEFUNCTION, on_body) || !set(easy, CURLOPT_WRITEDATA, &state) ||
      !set(easy, CURLOPT_NOPROGRESS, 0L) ||
      !set(easy, CURLOPT_XFERINFOFUNCTION, on_progress) ||
      !set(easy, CURLOPT_XFERINFODATA, &state) ||
      !set(easy, CURLOPT_PREREQFUNCTION, on_connected) ||
      !set(easy, CURLOPT_PREREQDATA, &state) ||
      // A HEAD response announces a body length without sending one: never wait for it.
      (head && !with_body && !set(easy, CURLOPT_NOBODY, 1L)) ||
      (!head && !with_body && !set(easy, CURLOPT_HTTPGET, 1L)) ||
      (with_body && !set(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body->size()))) ||
      (with_body && !set(easy, CURLOPT_POSTFIELDS, request.body->data())) ||
      !set(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str()) ||
      (!request.request_target.empty() &&
       !set(easy, CURLOPT_REQUEST_TARGET, request.request_target.c_str()))) {
    return ExchangeFailure::kRequest;
  }

  const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
      request.deadline - Clock::now());
  const long connect_ms =
      std::max(1L, static_cast<long>(std::min(request.phase_timeout, remaining).count()));
  if (!set(easy, CURLOPT_CONNECTTIMEOUT_MS, connect_ms)) return ExchangeFailure::kTimeouts;

  if (has_credentials(request.server_user, request.server_password) &&
      (!set(easy, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) ||
       !set(easy, CURLOPT_USERNAME, request.server_user.c_str()) ||
       !set(easy, CURLOPT_PASSWORD, request.server_password.c_str()))) {
    return ExchangeFailure::kCredentials;
  }
  if (has_credentials(request.proxy_user, request.proxy_password) &&
      (!set(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) ||
       !set(easy, CURLOPT_PROXYUSERNAME, request.proxy_user.c_str()) ||
       !set(easy, CURLOPT_PROXYPASSWORD, request.proxy_password.c_str()))) {
    return ExchangeFailure::kCredentials;
  }

  // The cookie engine is off unless a cookie file is named, and none ever is. A caller that
  // sends cookies gets the certificate status check on top.
  if (request.check_revocation && !set(easy, CURLOPT_SSL_VERIFYSTATUS, 1L)) {
    return ExchangeFailure::kCookieOption;
  }
  if (!set(easy, CURLOPT_FOLLOWLOCATION, 0L)) return ExchangeFailure::kRedirectOption;
  if (!set(easy, CURLOPT_HTTPHEADER, headers)) return ExchangeFailure::kHeaders;
  return ExchangeFailure::kNone;
}

// Our header lines plus the markers that keep curl from adding headers of its own.
HeaderList build_header_list(const ExchangeRequest& request, bool& ok) {
  HeaderList list;
  ok = true;
  auto append = [&](const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) {
      ok = false;
      return;
    }
    list.release();
    list.reset(grown);
  };
  const bool with_body = request.body && !request.body->empty();
  if (with_body) {
    append("Content-Length: " + std::to_string(request.body->size()));
  } else if (request.empty_body_length) {
    append("Content-Length: 0");
  }
  for (const std::string& line : request.header_lines) append(line);
  for (const char* marker : {"Accept:", "Expect:", "Content-Type:", "Proxy-Connection:"}) {
    append(marker);
  }
  return list;
}

}  // namespace

ExchangeResult run_exchange(const ExchangeRequest& request, const PumpEvents& pump) {
  ExchangeResult result;
  TransferState state{result};
  state.body_cap = request.body_cap;
  state.body_size = request.body ? static_cast<curl_off_t>(request.body->size()) : 0;
  state.end_after_header = request.method == "HEAD" && state.body_size > 0;

  bool list_ok = false;
  HeaderList headers = build_header_list(request, list_ok);
  MultiHandle multi(curl_multi_init());
  if (!multi) {
    result.failure = ExchangeFailure::kSession;
    return result;
  }
  EasyHandle easy(curl_easy_init());
  if (!easy) {
    result.failure = ExchangeFailure::kRequest;
    return result;
  }
  if (!list_ok) {
    result.failure = ExchangeFailure::kHeaders;
    return result;
  }
  result.failure = configure(easy.get(), request, state, headers.get());
  if (result.failure != ExchangeFailure::kNone) return result;

  Attachment attachment(multi.get(), easy.get());
  if (!attachment.attached()) {
    result.failure = ExchangeFailure::kRequest;
    return result;
  }

  state.touch();
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result.failure = failure_by_phase(state);
      break;
    }
    if (running == 0) {
      CURLcode code = CURLE_RECV_ERROR;
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
        if (message->msg == CURLMSG_DONE) code = message->data.result;
      }
      result.failure = failure_of(code, state);
      break;
    }
    const Clock::time_point now = Clock::now();
    if (now >= request.deadline) {
      result.failure = failure_by_phase(state);
      result.cut_by_deadline = result.header_complete;
      break;
    }
    if (state.connected && now - state.last_activity > request.phase_timeout) {
      result.failure = failure_by_phase(state);
      break;
    }
    pump_if_set(pump);
    int events = 0;
    curl_multi_poll(multi.get(), nullptr, 0, kSliceMs, &events);
    // Bytes that do not yet complete a header line reach no callback, yet the peer is not
    // silent: a status line that arrives in pieces must not run into the receive bound.
    if (events > 0) state.touch();
  }
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &result.status_code);
  return result;
}

}  // namespace brimlow
