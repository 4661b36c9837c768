// One alert's worth of SMTP: smtp_connect (with QUIT to the previous connection, EHLO and
// AUTH LOGIN) plus smtp_send_mail of an alert-sized GBK message, against a local server.
// Reported per exchange: the median ("median_ms") besides Google Benchmark's mean.
//
//   ./build/bench/bench_smtp                  # both servers
//   ./build/bench/bench_smtp --benchmark_filter=Scripted

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "http/text_helpers.h"
#include "monitor/smtp_client.h"
#include "tests/monitor/capture_smtp_server.h"
#include "tests/monitor/scripted_smtp_peer.h"

namespace brimlow {
namespace {

const Text kSender = "me@x.test";
const Text kPassword = "bench password";

// An HTML card of about the alert's size, GBK with CR LF lines.
Text alert_like_body() {
  Text body = gbk(u"<div><table><tr><td>\r\n<p>您的网站出现无法访问的情况，具体网址：</p>\r\n");
  for (int i = 0; i < 40; ++i) {
    body += gbk(u"<p style=\"background:#fafafa;padding:15px\">http://www.example.org/ - "
                u"错误码：超时</p>\r\n");
  }
  return body + "</td></tr></table></div>\r\n";
}

// Runs connect + send per iteration and reports the median time of one exchange.
void run_exchanges(benchmark::State& state, int port) {
  const Text subject = gbk(u"站点无法访问 - Brimlow提醒您");
  const Text body = alert_like_body();
  SmtpConnection connection;
  std::vector<double> milliseconds;
  for (auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    const bool connected = smtp_connect(connection, "127.0.0.1", port, kSender, kPassword);
    const Text failure = connected ? smtp_send_mail(connection, subject, body, "you@x.test",
                                                    kSender, kSender, kSender, kSender)
                                   : Text("connect failed");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    milliseconds.push_back(took.count() * 1000);
    state.SetIterationTime(took.count());
  }
  if (milliseconds.empty()) return;
  std::sort(milliseconds.begin(), milliseconds.end());
  state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
  state.counters["max_ms"] = milliseconds.back();
}

// The in-process scripted peer: measures the client alone.
void BM_ConnectAndSend_ScriptedPeer(benchmark::State& state) {
  testing_support::ScriptedSmtpPeer peer(
      {"220 ready\r\n", "250-peer\r\n250-PIPELINING\r\n250 AUTH LOGIN PLAIN\r\n",
       "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "235 ok\r\n", "250 ok\r\n", "250 ok\r\n",
       "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 queued\r\n"},
      true);
  run_exchanges(state, peer.port());
}
BENCHMARK(BM_ConnectAndSend_ScriptedPeer)->UseManualTime()->Unit(benchmark::kMillisecond);

// Debian's aiosmtpd, a real server that parses and stores every message.
void BM_ConnectAndSend_Aiosmtpd(benchmark::State& state) {
  char pattern[] = "/tmp/brimlow-bench-smtp-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    state.SkipWithError("no temporary directory");
    return;
  }
  {
    testing_support::CaptureSmtpServer server(pattern, kSender, kPassword);
    const int port = server.port();
    if (port == 0) {
      state.SkipWithError("aiosmtpd did not start (python3-aiosmtpd installed?)");
    } else {
      run_exchanges(state, port);
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
}
BENCHMARK(BM_ConnectAndSend_Aiosmtpd)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimlow

BENCHMARK_MAIN();
