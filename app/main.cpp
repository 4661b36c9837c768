// Brimlow's entry point: starts wx, builds the window runtime, the program-wide state and
// the main window's handlers, and hands over to program_start.

#include <wx/app.h>
#include <wx/init.h>

#include "base/program_state.h"
#include "http/web_request.h"
#include "monitor/alert_mail.h"
#include "monitor/mail_account.h"
#include "monitor/monitor_loop.h"
#include "monitor/smtp_client.h"
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
  // One mail connection for the whole process: an alert leaves it open, the next alert
  // or the exit clean-up ends it with QUIT.
  brimlow::SmtpConnection mail_connection;
  brimlow::AlertMailer mailer(runtime, mail_connection, brimlow::built_in_mail_account());
  brimlow::MonitorLoop monitor(
      runtime, state, &brimlow::web_request,
      [&mailer](const brimlow::Text& url, const brimlow::Text& status) {
        mailer.send_alert(url, status);
      });
  brimlow::MainWindowHandlers handlers(runtime, state, [&monitor] { monitor.timer_fired(); });
  runtime.attach_handlers(handlers);
  return brimlow::program_start(runtime, state,
                                [&mail_connection] { brimlow::smtp_close(mail_connection); });
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
