#include "shell/program_start.h"

#include <utility>

namespace brimlow {

void exit_cleanup(ProgramState& state) {
  Text().swap(state.last_status);
  Text().swap(state.imported_text);
  TextArray().swap(state.imported_urls);
}

int program_start(WindowRuntime& runtime, ProgramState& state,
                  std::function<void()> more_cleanup) {
  state = ProgramState{};
  runtime.register_exit_cleanup([&state] { exit_cleanup(state); });
  if (more_cleanup) runtime.register_exit_cleanup(std::move(more_cleanup));
  runtime.show_main_window();
  runtime.run_event_loop();
  return 0;
}

}  // namespace brimlow
