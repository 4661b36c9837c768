#include "monitor/monitor_loop.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/text_ops.h"
#include "http/text_helpers.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::FakeRuntime;

// A window with rows, monitoring switched on, and a loop whose request is scripted per
// address and whose alerts are recorded.
class MonitorLoopTest : public ::testing::Test {
 protected:
  struct Alert {
    Text url;
    Text status;
    bool operator==(const Alert&) const = default;
  };

  MonitorLoopTest() { switch_on(); }

  void switch_on() { runtime.set_control_text(Control::按钮_监控, gbk(u"监控[点我关闭]")); }
  void switch_off() { runtime.set_control_text(Control::按钮_监控, gbk(u"监控[点我开启]")); }

  void add_rows(const std::vector<Text>& urls) {
    for (const Text& url : urls) add_row(url);
  }

  void add_row(const Text& url) {
    runtime.list_append_row(Control::超级列表框1);
    const int row = runtime.list_row_count(Control::超级列表框1) - 1;
    runtime.list_set_cell(Control::超级列表框1, row, 0, int_to_text(row + 1));
    runtime.list_set_cell(Control::超级列表框1, row, 1, url);
  }

  // Switches monitoring off from inside the request, as a click would arrive, once
  // `checks` requests have been made.
  void stop_after(int checks) { stop_after_checks = checks; }

  MonitorLoop make_loop() {
    return MonitorLoop(
        runtime, state,
        [this](const WebRequestArgs& args) {
          requests.push_back(args);
          if (on_request) on_request(args);
          auto found = statuses.find(args.url);
          if (found != statuses.end() && args.status_out != nullptr) *args.status_out = found->second;
          if (static_cast<int>(requests.size()) == stop_after_checks) switch_off();
          return Text("<html>body</html>");
        },
        [this](const Text& url, const Text& status) { alerts.push_back({url, status}); });
  }

  FakeRuntime runtime;
  ProgramState state;
  std::map<Text, Text> statuses;  // address -> status its request writes
  std::function<void(const WebRequestArgs&)> on_request;
  std::vector<WebRequestArgs> requests;
  std::vector<Alert> alerts;
  int stop_after_checks = -1;
};

struct AlertRuleCase {
  const char* name;
  std::vector<Text> row_statuses;  // one per row, the same every pass
  int passes;
  std::vector<int> alerted_rows;  // 1-based, in order
};

class AlertRuleTest : public MonitorLoopTest, public ::testing::WithParamInterface<AlertRuleCase> {};

TEST_P(AlertRuleTest, OneSharedFailureCountDecidesTheAlerts) {
  const AlertRuleCase& c = GetParam();
  std::vector<Text> urls;
  for (std::size_t i = 0; i < c.row_statuses.size(); ++i) {
    urls.push_back("http://site" + std::to_string(i + 1) + ".test/");
    statuses[urls.back()] = c.row_statuses[i];
  }
  add_rows(urls);
  stop_after(c.passes * static_cast<int>(urls.size()));

  MonitorLoop loop = make_loop();
  loop.timer_fired();

  std::vector<Alert> expected;
  for (int row : c.alerted_rows) expected.push_back({urls[row - 1], c.row_statuses[row - 1]});
  EXPECT_EQ(alerts, expected);
  EXPECT_EQ(state.pass_count, c.passes);
  EXPECT_EQ(runtime.status_part(1), int_to_text(c.passes));
  EXPECT_FALSE(loop.running());
}

const Text k500 = "500 Internal Server Error";
const Text kRefused = gbk(u"711 发送请求失败!");

INSTANTIATE_TEST_SUITE_P(
    Cases, AlertRuleTest,
    ::testing::Values(
        AlertRuleCase{"all up", {"200 OK", "200 OK", "200 OK"}, 3, {}},
        AlertRuleCase{"one down among ups alerts every pass", {"200 OK", k500, "200 OK"}, 3,
                      {2, 2, 2}},
        AlertRuleCase{"consecutive downs alert for the first only", {k500, kRefused, "200 OK"}, 2,
                      {1, 1}},
        AlertRuleCase{"all down alerts once", {k500, kRefused, k500}, 3, {1}},
        AlertRuleCase{"status text is compared byte for byte", {"200 ok", "200 OK"}, 2, {1, 1}},
        AlertRuleCase{"a redirect status is down", {"301 Moved Permanently"}, 2, {1}}),
    testing_support::CaseName());

TEST_F(MonitorLoopTest, EachCheckReadsTheControlsAtThatMoment) {
  add_rows({"http://a.test/", "http://b.test/"});
  runtime.set_selection(Control::组合框1, 2);  // shown "PUT", index passed unchanged
  on_request = [this](const WebRequestArgs&) {
    // The user changes the method and the body while the first check runs.
    runtime.set_selection(Control::组合框1, 1);
    runtime.set_control_text(Control::编辑框_POST, "x=1");
  };
  stop_after(2);
  MonitorLoop loop = make_loop();
  loop.timer_fired();

  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].url, "http://a.test/");
  EXPECT_EQ(requests[0].method_index, 2);
  // The placeholder is the body, whatever the method.
  EXPECT_EQ(requests[0].request_body, gbk(u"POST专用"));
  EXPECT_EQ(requests[0].timeout_seconds, 3);
  EXPECT_EQ(requests[1].method_index, 1);
  EXPECT_EQ(requests[1].request_body, "x=1");
  // Nothing else is sent: no cookies, proxy, credentials or redirect switch.
  EXPECT_EQ(requests[1].cookies_in, nullptr);
  EXPECT_TRUE(requests[1].proxy.empty());
  EXPECT_TRUE(requests[1].server_user.empty());
  EXPECT_FALSE(requests[1].no_redirect);
}

TEST_F(MonitorLoopTest, TheRequestPumpsTheWindowsEvents) {
  add_rows({"http://a.test/"});
  bool event_ran = false;
  runtime.queue_event([&] { event_ran = true; });
  on_request = [](const WebRequestArgs& args) {
    ASSERT_TRUE(args.pump);
    args.pump();
  };
  stop_after(1);
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  EXPECT_TRUE(event_ran);
}

TEST_F(MonitorLoopTest, RowsAddedDuringAPassAreCheckedFromTheNextPass) {
  add_rows({"http://a.test/", "http://b.test/"});
  on_request = [this](const WebRequestArgs& args) {
    if (requests.size() == 1) args.pump();
  };
  runtime.queue_event([this] { add_row("http://c.test/"); });
  stop_after(5);
  MonitorLoop loop = make_loop();
  loop.timer_fired();

  std::vector<Text> urls;
  for (const WebRequestArgs& r : requests) urls.push_back(r.url);
  EXPECT_EQ(urls, (std::vector<Text>{"http://a.test/", "http://b.test/", "http://a.test/",
                                     "http://b.test/", "http://c.test/"}));
  EXPECT_EQ(state.pass_count, 2);
}

TEST_F(MonitorLoopTest, ATimerEventDuringARunIsIgnored) {
  add_rows({"http://a.test/", "http://b.test/"});
  MonitorLoop loop = make_loop();
  int nested_calls = 0;
  on_request = [&](const WebRequestArgs&) {
    ++nested_calls;
    EXPECT_TRUE(loop.running());
    loop.timer_fired();  // the periodic event falls due while the check waits
  };
  stop_after(4);
  loop.timer_fired();
  // Two passes of two rows: no nested run added requests of its own.
  EXPECT_EQ(requests.size(), 4u);
  EXPECT_EQ(nested_calls, 4);
  EXPECT_EQ(state.pass_count, 2);
}

TEST_F(MonitorLoopTest, SwitchingOffEndsTheRunAndTheUnfinishedPassIsNotCounted) {
  add_rows({"http://a.test/", "http://b.test/", "http://c.test/"});
  stop_after(5);  // the second check of the second pass
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  EXPECT_EQ(requests.size(), 5u);
  EXPECT_EQ(state.pass_count, 1);
  EXPECT_EQ(runtime.status_part(1), "1");
  EXPECT_FALSE(loop.running());

  // Switched on again, the next timer event starts a new run from the first row.
  switch_on();
  state.pass_count = 0;
  stop_after(6);
  loop.timer_fired();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[5].url, "http://a.test/");
}

TEST_F(MonitorLoopTest, SwitchedOffAndOnWithinOneCheckTheRunGoesOn) {
  add_rows({"http://a.test/", "http://b.test/"});
  on_request = [this](const WebRequestArgs&) {
    if (requests.size() == 1) {
      switch_off();
      switch_on();
    }
  };
  stop_after(4);
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  EXPECT_EQ(requests.size(), 4u);
  EXPECT_EQ(state.pass_count, 2);
}

TEST_F(MonitorLoopTest, ACheckWithoutAStatusOfItsOwnFails) {
  add_rows({"http://up.test/", "http://silent.test/"});
  statuses["http://up.test/"] = "200 OK";  // silent.test writes no status at all
  stop_after(2);
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].url, "http://silent.test/");
  EXPECT_EQ(alerts[0].status, "");
  EXPECT_EQ(state.failure_count, 1);
}

TEST_F(MonitorLoopTest, TheAlertReadsTheFailingRowAgain) {
  add_rows({"http://a.test/"});
  statuses["http://a.test/"] = k500;
  on_request = [this](const WebRequestArgs&) {
    // The user edits the row while the check runs; the alert names what the row holds now.
    runtime.list_set_cell(Control::超级列表框1, 0, 1, "http://edited.test/");
  };
  stop_after(1);
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].url, "http://edited.test/");
  EXPECT_EQ(alerts[0].status, k500);
  EXPECT_EQ(state.current_row, 1);
}

TEST_F(MonitorLoopTest, NoRunWhileMonitoringIsOff) {
  add_rows({"http://a.test/"});
  switch_off();
  MonitorLoop loop = make_loop();
  loop.timer_fired();
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(state.pass_count, 0);
}

}  // namespace
}  // namespace brimlow
