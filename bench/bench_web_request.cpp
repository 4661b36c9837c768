// web_request against a local peer that answers at once, next to a bare libcurl loop that
// opens a fresh connection per request (the request routine opens a fresh session per call,
// so this is the fair baseline); and the pump's longest gap while a host never answers.
//
//   build-*/bench/bench_web_request
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <string>

#include "bench/local_http_peer.h"
#include "http/web_request.h"

namespace {

using brimlow::bench::LocalHttpPeer;

size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_BareCurlFreshConnection(benchmark::State& state) {
  LocalHttpPeer peer(true);
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
  LocalHttpPeer peer(true);
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
  LocalHttpPeer peer(false);
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
