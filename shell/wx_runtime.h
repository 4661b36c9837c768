#pragma once
// The window runtime on wxWidgets 3.2 / GTK 3: the main window, its timer, the modal boxes
// and the file operations. The only place besides app/ that knows wx.

#include <functional>
#include <optional>
#include <vector>

#include <wx/event.h>
#include <wx/timer.h>

#include "shell/window_runtime.h"

namespace brimlow {

class MainWindow;
class MainWindowHandlers;

class WxRuntime : public WindowRuntime {
 public:
  // Needs a running wx application (wxEntryStart or wxApp::OnInit done).
  WxRuntime();
  ~WxRuntime() override;
  WxRuntime(const WxRuntime&) = delete;
  WxRuntime& operator=(const WxRuntime&) = delete;

  // The handlers the window's events and the timer go to; set before show_main_window.
  void attach_handlers(MainWindowHandlers& handlers) { handlers_ = &handlers; }

  // For tests that drive the real window: answer modal boxes and the file dialog without
  // showing them. A message answer receives the text; a dialog answer returns the chosen
  // path, or nothing for cancel.
  void answer_messages_with(std::function<void(const Text&)> answer);
  void answer_file_dialog_with(std::function<std::optional<Text>()> answer);
  // For in-process tests: what end_program does instead of ending the process.
  void end_program_with(std::function<void(int)> ending);

  // The main window once shown; null before and after.
  MainWindow* main_window() const { return window_; }

  Text get_control_text(Control control) override;
  void set_control_text(Control control, const Text& text) override;
  int get_selection(Control control) override;
  void set_selection(Control control, int index) override;
  int get_timer_period(Control timer) override;
  void set_timer_period(Control timer, int milliseconds) override;
  Text get_dialog_file_name(Control dialog) override;
  void set_dialog_file_name(Control dialog, const Text& path) override;
  void set_dialog_folder(Control dialog, const Text& folder) override;
  bool run_file_dialog(Control dialog) override;
  void list_append_row(Control list) override;
  int list_row_count(Control list) override;
  void list_set_cell(Control list, int row, int column, const Text& text) override;
  Text list_get_cell(Control list, int row, int column) override;
  void status_set_part_text(Control bar, int part, const Text& text) override;
  void show_message(const Text& text) override;
  void pump_pending_events() override;
  Text program_directory() override;
  Bytes load_file_bytes(const Text& path) override;
  bool save_file_bytes(const Text& path, const Bytes& bytes) override;
  void register_exit_cleanup(std::function<void()> cleanup) override;
  void end_program(int exit_code) override;
  void show_main_window() override;
  void run_event_loop() override;

 private:
  // The timer's ticks come from GLib; each one queues at most one periodic event, which is
  // dispatched like any queued event (so also nested inside pump_pending_events).
  class PeriodicTimer : public wxTimer {
   public:
    explicit PeriodicTimer(WxRuntime& owner) : owner_(owner) {}
    void Notify() override { owner_.queue_periodic_event(); }

   private:
    WxRuntime& owner_;
  };

  void reactivate_main_window();
  void queue_periodic_event();
  void deliver_periodic_event();
  bool is_timer(Control control) const { return control == Control::时钟_监控; }

  MainWindowHandlers* handlers_ = nullptr;
  MainWindow* window_ = nullptr;
  wxEvtHandler queue_;  // holds the waiting periodic event
  PeriodicTimer timer_;
  int timer_period_ = 0;
  bool periodic_event_waiting_ = false;
  Text dialog_file_name_;
  Text dialog_folder_;
  std::vector<std::function<void()>> exit_cleanups_;
  std::function<void(const Text&)> message_answer_;
  std::function<std::optional<Text>()> dialog_answer_;
  std::function<void(int)> ending_;
};

}  // namespace brimlow
