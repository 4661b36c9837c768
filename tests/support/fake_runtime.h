#pragma once
// A recording window runtime for tests: a real WindowRuntime that keeps what it was told
// (control texts, selection, timer period, list rows, status parts, messages, saves) and
// answers the file dialog from a script. It starts with the main window's contents as the
// window shows them at start-up. Files are real files: tests point the paths at a
// TempDir; a path can be marked read-only so a failing save can be shown (the tests run
// as root, where chmod would not stop a write).

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "shell/window_runtime.h"

namespace brimlow::testing_support {

// A fresh directory under the system temp folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Full path of `name` inside the directory, as a Text for the runtime.
  Text file(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Whole content of a real file, or nothing when it cannot be read.
Bytes read_whole_file(const std::filesystem::path& path);
// Creates or replaces the file; false on failure.
bool write_whole_file(const std::filesystem::path& path, std::string_view bytes);

class FakeRuntime : public WindowRuntime {
 public:
  // What one save_file_bytes call was given and answered.
  struct SaveCall {
    Text path;
    Bytes bytes;
    bool succeeded;
  };

  FakeRuntime();

  // --- WindowRuntime ---
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

  // --- Scripting ---
  // An event that the next pump_pending_events (or the event loop) dispatches.
  void queue_event(std::function<void()> event);
  std::size_t queued_event_count() const { return events_.size(); }
  // The next file dialog is confirmed with `path` as the chosen file.
  void answer_dialog_confirm(const Text& path);
  // The next file dialog is cancelled. An unscripted dialog is cancelled as well.
  void answer_dialog_cancel();
  // Runs while a message box is open (the product's box dispatches events meanwhile).
  void on_message(std::function<void(const Text&)> hook) { message_hook_ = std::move(hook); }
  void set_program_directory(const Text& folder) { program_directory_ = folder; }
  // Saves to this exact path fail and leave the file as it is.
  void mark_read_only(const Text& path) { read_only_.insert(path); }

  // --- Record ---
  const std::vector<Text>& messages() const { return messages_; }
  bool timer_running() const { return timer_period_ > 0; }
  // How many times a write (re)started the timer's count.
  int timer_restarts() const { return timer_restarts_; }
  Text dialog_folder() const { return dialog_folder_; }
  int dialog_runs() const { return dialog_runs_; }
  int unscripted_dialogs() const { return unscripted_dialogs_; }
  const std::vector<SaveCall>& saves() const { return saves_; }
  // The texts of one column, row by row.
  TextArray list_column(int column) const;
  Text status_part(int part) const;
  int pump_calls() const { return pump_calls_; }
  bool window_shown() const { return window_shown_; }
  int event_loop_runs() const { return event_loop_runs_; }
  bool ended() const { return !exit_codes_.empty(); }
  // Every end_program call; only the first ran the clean-ups (the product never returns).
  const std::vector<int>& exit_codes() const { return exit_codes_; }
  int cleanups_run() const { return cleanups_run_; }
  std::size_t cleanups_registered() const { return cleanups_.size(); }

 private:
  struct DialogAnswer {
    bool confirm;
    Text path;
  };
  void dispatch_queued();

  std::map<Control, Text> texts_;
  TextArray method_items_;
  int method_selection_ = 0;
  int timer_period_ = 0;
  int timer_restarts_ = 0;
  Text dialog_file_name_;
  Text dialog_folder_;
  std::deque<DialogAnswer> dialog_answers_;
  int dialog_runs_ = 0;
  int unscripted_dialogs_ = 0;
  std::vector<std::vector<Text>> rows_;
  std::vector<Text> status_parts_;
  std::vector<Text> messages_;
  std::function<void(const Text&)> message_hook_;
  std::deque<std::function<void()>> events_;
  int pump_calls_ = 0;
  Text program_directory_ = "/nonexistent/brimlow";
  std::set<Text> read_only_;
  std::vector<SaveCall> saves_;
  std::vector<std::function<void()>> cleanups_;
  int cleanups_run_ = 0;
  std::vector<int> exit_codes_;
  bool window_shown_ = false;
  int event_loop_runs_ = 0;
};

}  // namespace brimlow::testing_support
