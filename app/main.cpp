// Brimlow's entry point: starts wx, builds the window runtime, the program-wide state and
// the main window's handlers, and hands over to program_start.

#include <wx/app.h>
#include <wx/init.h>

#include "base/program_state.h"
#include "shell/main_window_handlers.h"
#include "shell/program_start.h"
#include "shell/wx_runtime.h"

namespace {

// The program takes no command line and no configuration, so wx's default start-up
// (which parses the command line) is left out.
class BrimlowApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

int run_program() {
  brimlow::WxRuntime runtime;
  brimlow::ProgramState state;
  brimlow::MainWindowHandlers handlers(runtime, state, [] {});
  runtime.attach_handlers(handlers);
  return brimlow::program_start(runtime, state);
}

}  // namespace

int main(int argc, char** argv) {
  wxApp::SetInstance(new BrimlowApp);
  if (!wxEntryStart(argc, argv)) return 1;
  int exit_code = 1;
  if (wxTheApp->CallOnInit()) exit_code = run_program();
  wxEntryCleanup();
  return exit_code;
}
