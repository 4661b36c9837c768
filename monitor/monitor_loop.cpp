#include "monitor/monitor_loop.h"

#include <utility>

#include "base/text_ops.h"
#include "http/text_helpers.h"

namespace brimlow {

MonitorLoop::MonitorLoop(WindowRuntime& runtime, ProgramState& state, RequestFunction request,
                         AlertFunction alert)
    : runtime_(runtime),
      state_(state),
      request_(std::move(request)),
      alert_(std::move(alert)),
      caption_on_(gbk(u"监控[点我关闭]")) {}

bool MonitorLoop::monitoring_on() {
  // The switch's caption is the monitoring state.
  return runtime_.get_control_text(Control::按钮_监控) == caption_on_;
}

void MonitorLoop::timer_fired() {
  if (running_) return;  // a run never nests
  running_ = true;
  while (monitoring_on()) {
    const int count = runtime_.list_row_count(Control::超级列表框1);  // rows added later wait
    bool pass_finished = true;
    for (int row = 1; row <= count; ++row) {
      if (!monitoring_on()) {
        pass_finished = false;  // switched off: the unfinished pass is not counted
        break;
      }
      state_.current_row = row;
      check_current_row();
    }
    if (!pass_finished) break;
    ++state_.pass_count;
    runtime_.status_set_part_text(Control::状态条1, 1, int_to_text(state_.pass_count));
    // Lets the window breathe between passes even when no request pumped events.
    runtime_.pump_pending_events();
  }
  running_ = false;
}

void MonitorLoop::check_current_row() {
  WebRequestArgs args;
  args.url = runtime_.list_get_cell(Control::超级列表框1, state_.current_row - 1, 1);
  args.method_index = runtime_.get_selection(Control::组合框1);
  args.request_body = runtime_.get_control_text(Control::编辑框_POST);
  args.timeout_seconds = kCheckTimeoutSeconds;
  // A check is judged by its own request only: a request that yields no status of its own
  // must not pass on the previous check's "200 OK".
  state_.last_status.clear();
  args.status_out = &state_.last_status;
  args.pump = [this] { runtime_.pump_pending_events(); };
  request_(args);

  if (state_.last_status == kStatusOk) {
    state_.failure_count = 0;
    return;
  }
  ++state_.failure_count;
  if (state_.failure_count == 1) {
    alert_(runtime_.list_get_cell(Control::超级列表框1, state_.current_row - 1, 1),
           state_.last_status);
  }
}

}  // namespace brimlow
