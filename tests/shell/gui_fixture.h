#pragma once
// Runs the real main window in the test process: wx started once per process, the window
// built by the wx runtime with the real handlers, modal boxes and the file dialog answered
// through the runtime, and the end of the program recorded instead of ending the process.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/uiaction.h>

#include "base/program_state.h"
#include "shell/main_window_handlers.h"
#include "shell/wx_main_window.h"
#include "shell/wx_runtime.h"

namespace brimlow::testing {

class GuiTestApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// wx can be started only once per process; every test of the executable shares it.
inline bool start_wx() {
  static const bool started = [] {
    wxApp::SetInstance(new GuiTestApp);
    static char name[] = "brimlow_gui_test";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    // A failed wx assertion fails the test instead of waiting on a modal box.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                          const wxString& condition, const wxString& message) {
      ADD_FAILURE_AT(file.utf8_str().data(), line)
          << "wx assertion " << condition.utf8_str().data() << " in "
          << function.utf8_str().data() << ": " << message.utf8_str().data();
    });
    return wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
  }();
  return started;
}

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(start_wx()) << "no display? run under xvfb-run";
    runtime_ = std::make_unique<WxRuntime>();
    handlers_ = std::make_unique<MainWindowHandlers>(*runtime_, state_, [this] { on_timer(); });
    runtime_->attach_handlers(*handlers_);
    runtime_->answer_messages_with([this](const Text& text) { messages_.push_back(text); });
    runtime_->answer_file_dialog_with([this] { return dialog_answer_; });
    runtime_->end_program_with([this](int code) { exit_codes_.push_back(code); });
    runtime_->show_main_window();
    window_ = runtime_->main_window();
    ASSERT_NE(window_, nullptr);
    // Without a window manager the window gets the keyboard only when asked for it.
    window_->Raise();
    wait_until([this] { return window_->IsShownOnScreen() && window_->IsActive(); });
    pump_for(std::chrono::milliseconds(100));
  }

  void TearDown() override {
    if (runtime_ && runtime_->main_window()) {
      runtime_->main_window()->Close(true);
      wait_until([this] { return runtime_->main_window() == nullptr; });
    }
    handlers_.reset();
    runtime_.reset();
  }

  virtual void on_timer() {}

  // Dispatches events (also wx's idle work, such as deleting a closed window) for a while.
  void pump_for(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
      runtime_->pump_pending_events();
      wxTheApp->ProcessIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
  }

  bool wait_until(const std::function<bool()>& condition,
                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      pump_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  wxWindow* find(Control control) {
    return wxWindow::FindWindowByName(wxString::FromUTF8(control_name(control)), window_);
  }

  // A left click in the middle of a control (or at `offset` inside it), as the user makes it.
  void click(wxWindow* target, std::optional<wxPoint> offset = std::nullopt) {
    ASSERT_NE(target, nullptr);
    const wxSize size = target->GetSize();
    const wxPoint inside = offset.value_or(wxPoint(size.x / 2, size.y / 2));
    simulator_.MouseMove(target->ClientToScreen(inside));
    pump_for(std::chrono::milliseconds(30));
    simulator_.MouseClick();
    // A busy machine can be slow to deliver the click: wait for its focus change.
    if (target->AcceptsFocus()) wait_until([target] { return wxWindow::FindFocus() == target; });
    pump_for(std::chrono::milliseconds(80));
  }

  void type(const char* ascii) {
    simulator_.Text(ascii);
    pump_for(std::chrono::milliseconds(80));
  }

  void press(int key_code, int modifiers = wxMOD_NONE) {
    simulator_.Char(key_code, modifiers);
    pump_for(std::chrono::milliseconds(80));
  }

  ProgramState state_;
  std::unique_ptr<WxRuntime> runtime_;
  std::unique_ptr<MainWindowHandlers> handlers_;
  MainWindow* window_ = nullptr;
  wxUIActionSimulator simulator_;
  std::vector<Text> messages_;
  std::vector<int> exit_codes_;
  std::optional<Text> dialog_answer_;
};

}  // namespace brimlow::testing
