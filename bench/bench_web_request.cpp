// web_request against a local peer that answers at once, next to a bare libcurl loop that
// opens a fresh connection per request (the request routine opens a fresh session per call,
// so this is the fair baseline); and the pump's longest gap while a host never answers.
//
//   build-*/bench/bench_web_request
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "http/web_request.h"

namespace {

// Answers every connection with one small response, or holds it silently.
class Peer {
 public:
  explicit Peer(bool answer) : answer_(answer) {
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
  ~Peer() {
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
    static const std::string kResponse =
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
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
        send(fd, kResponse.data(), kResponse.size(), MSG_NOSIGNAL);
      } else {
        while (readable(fd) && recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
      }
      close(fd);
    }
  }

  bool answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_BareCurlFreshConnection(benchmark::State& state) {
  Peer peer(true);
  const std::string url = peer.url();
  for (auto _ : state) {
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    const CURLcode code = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    if (code != CURLE_OK) state.SkipWithError("bare request failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareCurlFreshConnection)->Unit(benchmark::kMicrosecond);

void BM_WebRequest(benchmark::State& state) {
  Peer peer(true);
  brimlow::WebRequestArgs args;
  args.url = peer.url();
  args.timeout_seconds = 3;
  brimlow::Text status;
  args.status_out = &status;
  int pumps = 0;
  args.pump = [&] { ++pumps; };
  for (auto _ : state) {
    benchmark::DoNotOptimize(brimlow::web_request(args));
    if (status != "200 OK") state.SkipWithError("request failed");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["pumps_per_request"] =
      benchmark::Counter(static_cast<double>(pumps) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WebRequest)->Unit(benchmark::kMicrosecond);

void BM_PumpGapWhileHostSilent(benchmark::State& state) {
  Peer peer(false);
  brimlow::WebRequestArgs args;
  args.url = peer.url();
  args.timeout_seconds = 1;
  using Clock = std::chrono::steady_clock;
  double longest_ms = 0;
  for (auto _ : state) {
    Clock::time_point last = Clock::now();
    args.pump = [&] {
      const Clock::time_point now = Clock::now();
      longest_ms =
          std::max(longest_ms, std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    };
    brimlow::web_request(args);
    longest_ms = std::max(
        longest_ms, std::chrono::duration<double, std::milli>(Clock::now() - last).count());
  }
  state.counters["longest_pump_gap_ms"] = longest_ms;
}
BENCHMARK(BM_PumpGapWhileHostSilent)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
