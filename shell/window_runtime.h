#pragma once
// The window toolkit operations the handlers, the URL list and the monitor loop rely on.
// This header names no toolkit: the wx implementation lives in shell/wx_runtime.*, and
// tests drive the logic through a recording fake. Everything runs on the window thread.

#include <cstdint>
#include <functional>

#include "base/text.h"

namespace brimlow {

// The controls of the main window, by the names the window's definition gives them.
// The real windows carry the same names (UTF-8), see control_name().
enum class Control {
  编辑框_网址,
  编辑框_频率,
  按钮_添加,
  按钮_导入,
  超级列表框1,
  编辑框_POST,
  组合框1,
  编辑框_邮箱,
  按钮_监控,
  状态条1,
  通用对话框1,
  时钟_监控,
};

// The control's name in UTF-8, as the toolkit window carries it.
const char* control_name(Control control);

class WindowRuntime {
 public:
  virtual ~WindowRuntime() = default;

  // Edit box text or button caption.
  virtual Text get_control_text(Control control) = 0;
  virtual void set_control_text(Control control, const Text& text) = 0;

  // Current selection of the drop-down list, 0-based, -1 for none.
  virtual int get_selection(Control control) = 0;
  virtual void set_selection(Control control, int index) = 0;

  // Timer period in milliseconds. A changed value above 0 restarts the count from the write;
  // 0 or less stops the timer; writing the same value again does nothing. Each elapsed
  // period queues one periodic event, never more than one waiting.
  virtual int get_timer_period(Control timer) = 0;
  virtual void set_timer_period(Control timer, int milliseconds) = 0;

  // File dialog: the file-name value and the initial folder.
  virtual Text get_dialog_file_name(Control dialog) = 0;
  virtual void set_dialog_file_name(Control dialog, const Text& path) = 0;
  virtual void set_dialog_folder(Control dialog, const Text& folder) = 0;
  // OK: true and the file name becomes the chosen full path; cancel: false, name unchanged.
  virtual bool run_file_dialog(Control dialog) = 0;

  // List view: rows and columns count from 0; texts of any length.
  virtual void list_append_row(Control list) = 0;
  virtual int list_row_count(Control list) = 0;
  virtual void list_set_cell(Control list, int row, int column, const Text& text) = 0;
  virtual Text list_get_cell(Control list, int row, int column) = 0;

  // Status bar: parts count from 0; a part the bar lacks is ignored.
  virtual void status_set_part_text(Control bar, int part, const Text& text) = 0;

  // Modal box with one OK button, no icon, caption "信息："; returns when closed.
  virtual void show_message(const Text& text) = 0;

  // Dispatches every queued event of the thread and returns; never waits.
  virtual void pump_pending_events() = 0;

  // Folder of the program file, without a trailing separator.
  virtual Text program_directory() = 0;

  // Whole content; an empty path or an unreadable file gives no bytes.
  virtual Bytes load_file_bytes(const Text& path) = 0;
  // Replaces the file's content; false on failure. Never leaves a half-written file.
  virtual bool save_file_bytes(const Text& path, const Bytes& bytes) = 0;

  // Clean-ups that end_program runs, in registration order.
  virtual void register_exit_cleanup(std::function<void()> cleanup) = 0;

  // Runs the registered exit clean-ups and ends the process with `exit_code`. In the
  // product it does not return; callers return right after it all the same.
  virtual void end_program(int exit_code) = 0;

  virtual void show_main_window() = 0;
  // Returns when no window remains.
  virtual void run_event_loop() = 0;
};

}  // namespace brimlow
