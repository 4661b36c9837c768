#pragma once
// Start-up and shut-down of the program, free of any toolkit: the entry point builds the
// runtime and the handlers, then hands over here.

#include <functional>

#include "base/program_state.h"
#include "shell/window_runtime.h"

namespace brimlow {

// Releases the program-wide texts and arrays; registered at start-up, run by end_program.
void exit_cleanup(ProgramState& state);

// In order: the program-wide variables get their initial values, exit_cleanup is
// registered (then `more_cleanup`, when given, e.g. closing the mail connection), the main
// window is shown and the event loop runs. Returns 0 when the loop ends; a close of the
// window normally ends the program inside the loop through save_url_list instead.
int program_start(WindowRuntime& runtime, ProgramState& state,
                  std::function<void()> more_cleanup = {});

}  // namespace brimlow
