#pragma once
// The monitor loop: requests every listed address in turn, pass after pass, keeps the
// consecutive-failure count, raises the alert on the first failure after a success and
// counts passes in the status bar. It runs inside the timer's periodic event and reaches
// the window only through the runtime interface.

#include <functional>

#include "base/program_state.h"
#include "http/web_request.h"
#include "shell/window_runtime.h"

namespace brimlow {

// One HTTP exchange; the product passes web_request, tests a scripted stand-in.
using RequestFunction = std::function<Text(const WebRequestArgs&)>;
// The alert step: the failing address and the status text of the failed check.
using AlertFunction = std::function<void(const Text& url, const Text& status)>;

// The status text of a check that passes.
inline constexpr const char* kStatusOk = "200 OK";
// Per-phase time-out of every check, in seconds.
inline constexpr int kCheckTimeoutSeconds = 3;

class MonitorLoop {
 public:
  MonitorLoop(WindowRuntime& runtime, ProgramState& state, RequestFunction request,
              AlertFunction alert);

  // The periodic event of 时钟_监控. Starts a run unless one is in progress (a timer event
  // delivered from inside the running pass is ignored). A run goes on, pass after pass,
  // until monitoring is switched off; it looks at the switch before every check.
  void timer_fired();

  bool running() const { return running_; }

 private:
  bool monitoring_on();
  // One check of row `state_.current_row`.
  void check_current_row();

  WindowRuntime& runtime_;
  ProgramState& state_;
  RequestFunction request_;
  AlertFunction alert_;
  Text caption_on_;
  bool running_ = false;
};

}  // namespace brimlow
