// The monitor loop's own cost and the alert path:
//  - one pass over 1,000 rows at a local site that answers at once, next to the same number
//    of bare web_request calls (the loop should add next to nothing);
//  - from the failing check's response to the alert accepted by a local aiosmtpd relay.
//
//   build/bench/bench_monitor
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "bench/local_http_peer.h"
#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "monitor/alert_mail.h"
#include "monitor/credential.h"
#include "monitor/monitor_loop.h"
#include "tests/monitor/capture_smtp_server.h"
#include "tests/support/fake_runtime.h"

namespace {

using brimlow::Control;
using brimlow::bench::LocalHttpPeer;
using brimlow::testing_support::FakeRuntime;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000;

void fill_rows(FakeRuntime& runtime, const std::string& url, int rows) {
  for (int i = 0; i < rows; ++i) {
    runtime.list_append_row(Control::超级列表框1);
    runtime.list_set_cell(Control::超级列表框1, i, 0, brimlow::int_to_text(i + 1));
    runtime.list_set_cell(Control::超级列表框1, i, 1, url);
  }
}

void switch_monitor(FakeRuntime& runtime, bool on) {
  runtime.set_control_text(Control::按钮_监控,
                           brimlow::gbk(on ? u"监控[点我关闭]" : u"监控[点我开启]"));
}

void BM_MonitorPass(benchmark::State& state) {
  LocalHttpPeer peer(true);
  FakeRuntime runtime;
  fill_rows(runtime, peer.url(), kRows);
  brimlow::ProgramState program;
  int checks = 0;
  int alerts = 0;
  brimlow::MonitorLoop loop(
      runtime, program,
      [&](const brimlow::WebRequestArgs& args) {
        brimlow::Text body = brimlow::web_request(args);
        if (++checks % kRows == 0) switch_monitor(runtime, false);  // one pass per run
        return body;
      },
      [&](const brimlow::Text&, const brimlow::Text&) { ++alerts; });
  for (auto _ : state) {
    switch_monitor(runtime, true);
    loop.timer_fired();
  }
  if (alerts != 0 || program.pass_count != static_cast<int>(state.iterations())) {
    state.SkipWithError("a check failed");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_MonitorPass)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_BareWebRequests(benchmark::State& state) {
  LocalHttpPeer peer(true);
  brimlow::WebRequestArgs args;
  args.url = peer.url();
  args.timeout_seconds = brimlow::kCheckTimeoutSeconds;
  brimlow::Text status;
  args.status_out = &status;
  for (auto _ : state) {
    for (int i = 0; i < kRows; ++i) benchmark::DoNotOptimize(brimlow::web_request(args));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BareWebRequests)->Unit(benchmark::kMillisecond)->MinTime(3);

// Manual time: from web_request's return on the failing check to send_alert's return, the
// relay having accepted the message.
void BM_FailureToAlertAccepted(benchmark::State& state) {
  LocalHttpPeer failing(true, "HTTP/1.1 500 Internal Server Error");
  const std::filesystem::path mail_dir =
      std::filesystem::temp_directory_path() / "brimlow-bench-monitor-mail";
  std::filesystem::create_directories(mail_dir);
  brimlow::MailAccount account{"127.0.0.1", 0, "bench@brimlow.test", "", "brimlow.test", 42,
                               "http://brimlow.test/", "http://brimlow.test/contact"};
  account.credential =
      brimlow::make_stored_credential("bench-password", account.key_source, account.xor_constant);
  brimlow::testing_support::CaptureSmtpServer relay(mail_dir.string(), account.sender,
                                                    "bench-password");
  account.port = relay.port();
  if (account.port == 0) {
    state.SkipWithError("aiosmtpd did not start");
    return;
  }
  FakeRuntime runtime;
  runtime.set_control_text(Control::编辑框_邮箱, "me@home.test");
  fill_rows(runtime, failing.url(), 1);
  brimlow::ProgramState program;
  brimlow::SmtpConnection connection;
  brimlow::AlertMailer mailer(runtime, connection, account);
  Clock::time_point responded;
  double seconds = 0;
  brimlow::MonitorLoop loop(
      runtime, program,
      [&](const brimlow::WebRequestArgs& args) {
        brimlow::Text body = brimlow::web_request(args);
        switch_monitor(runtime, false);
        responded = Clock::now();
        return body;
      },
      [&](const brimlow::Text& url, const brimlow::Text& status) {
        mailer.send_alert(url, status);
        seconds = std::chrono::duration<double>(Clock::now() - responded).count();
      });
  for (auto _ : state) {
    program.failure_count = 0;  // every iteration is a first failure after a success
    switch_monitor(runtime, true);
    loop.timer_fired();
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(mail_dir);
}
BENCHMARK(BM_FailureToAlertAccepted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
