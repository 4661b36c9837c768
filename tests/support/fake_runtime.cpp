#include "tests/support/fake_runtime.h"

#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "http/text_helpers.h"

namespace brimlow::testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path candidate = base / ("brimlow-test-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = std::move(candidate);
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code error;
  fs::remove_all(path_, error);
}

Text TempDir::file(const std::string& name) const { return (path_ / name).string(); }

Bytes read_whole_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_whole_file(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

FakeRuntime::FakeRuntime()
    : method_items_{"GET", "POST", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"},
      dialog_file_name_("*.txt"),
      status_parts_{gbk(u"监控次数："), ""} {
  texts_[Control::编辑框_邮箱] = gbk(u"邮箱");
  texts_[Control::编辑框_POST] = gbk(u"POST专用");
  texts_[Control::按钮_监控] = gbk(u"监控[点我开启]");
  texts_[Control::按钮_导入] = gbk(u"导入");
  texts_[Control::编辑框_网址] = gbk(u"网址");
  texts_[Control::编辑框_频率] = gbk(u"频率/s");
  texts_[Control::按钮_添加] = gbk(u"添加");
}

Text FakeRuntime::get_control_text(Control control) {
  if (control == Control::组合框1) {
    const bool valid = method_selection_ >= 0 &&
                       static_cast<std::size_t>(method_selection_) < method_items_.size();
    return valid ? method_items_[static_cast<std::size_t>(method_selection_)] : Text();
  }
  const auto found = texts_.find(control);
  return found == texts_.end() ? Text() : found->second;
}

void FakeRuntime::set_control_text(Control control, const Text& text) {
  if (control == Control::组合框1) return;  // a drop-down list whose text cannot be edited
  texts_[control] = text;
}

int FakeRuntime::get_selection(Control control) {
  return control == Control::组合框1 ? method_selection_ : -1;
}

void FakeRuntime::set_selection(Control control, int index) {
  if (control != Control::组合框1) return;
  const bool valid = index >= 0 && static_cast<std::size_t>(index) < method_items_.size();
  method_selection_ = valid ? index : -1;
}

int FakeRuntime::get_timer_period(Control timer) {
  return timer == Control::时钟_监控 ? timer_period_ : 0;
}

void FakeRuntime::set_timer_period(Control timer, int milliseconds) {
  if (timer != Control::时钟_监控 || milliseconds == timer_period_) return;
  timer_period_ = milliseconds;
  if (milliseconds > 0) ++timer_restarts_;
}

Text FakeRuntime::get_dialog_file_name(Control dialog) {
  return dialog == Control::通用对话框1 ? dialog_file_name_ : Text();
}

void FakeRuntime::set_dialog_file_name(Control dialog, const Text& path) {
  if (dialog == Control::通用对话框1) dialog_file_name_ = path;
}

void FakeRuntime::set_dialog_folder(Control dialog, const Text& folder) {
  if (dialog == Control::通用对话框1) dialog_folder_ = folder;
}

bool FakeRuntime::run_file_dialog(Control dialog) {
  if (dialog != Control::通用对话框1) return false;
  ++dialog_runs_;
  if (dialog_answers_.empty()) {
    ++unscripted_dialogs_;
    return false;
  }
  const DialogAnswer answer = dialog_answers_.front();
  dialog_answers_.pop_front();
  if (!answer.confirm) return false;
  dialog_file_name_ = answer.path;
  return true;
}

void FakeRuntime::list_append_row(Control list) {
  if (list == Control::超级列表框1) rows_.push_back(std::vector<Text>(2));
}

int FakeRuntime::list_row_count(Control list) {
  return list == Control::超级列表框1 ? static_cast<int>(rows_.size()) : 0;
}

void FakeRuntime::list_set_cell(Control list, int row, int column, const Text& text) {
  if (list != Control::超级列表框1 || row < 0 || column < 0 ||
      static_cast<std::size_t>(row) >= rows_.size() || column > 1) {
    return;
  }
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

Text FakeRuntime::list_get_cell(Control list, int row, int column) {
  if (list != Control::超级列表框1 || row < 0 || column < 0 ||
      static_cast<std::size_t>(row) >= rows_.size() || column > 1) {
    return {};
  }
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void FakeRuntime::status_set_part_text(Control bar, int part, const Text& text) {
  if (bar != Control::状态条1 || part < 0 || static_cast<std::size_t>(part) >= status_parts_.size()) {
    return;
  }
  status_parts_[static_cast<std::size_t>(part)] = text;
}

void FakeRuntime::show_message(const Text& text) {
  messages_.push_back(text);
  if (message_hook_) message_hook_(text);
}

void FakeRuntime::pump_pending_events() {
  ++pump_calls_;
  dispatch_queued();
}

void FakeRuntime::dispatch_queued() {
  // Events queued by a running event are dispatched in the same call, as the product's
  // queue is drained until empty. Once the program has ended nothing more runs.
  while (!events_.empty() && !ended()) {
    std::function<void()> event = std::move(events_.front());
    events_.pop_front();
    event();
  }
}

Text FakeRuntime::program_directory() { return program_directory_; }

Bytes FakeRuntime::load_file_bytes(const Text& path) {
  if (path.empty()) return {};
  std::error_code error;
  if (!fs::is_regular_file(fs::path(path), error)) return {};
  return read_whole_file(path);
}

bool FakeRuntime::save_file_bytes(const Text& path, const Bytes& bytes) {
  bool succeeded = false;
  if (!path.empty() && read_only_.count(path) == 0) {
    succeeded = write_whole_file(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  saves_.push_back(SaveCall{path, bytes, succeeded});
  return succeeded;
}

void FakeRuntime::register_exit_cleanup(std::function<void()> cleanup) {
  cleanups_.push_back(std::move(cleanup));
}

void FakeRuntime::end_program(int exit_code) {
  const bool first = exit_codes_.empty();
  exit_codes_.push_back(exit_code);
  if (!first) return;
  for (const auto& cleanup : cleanups_) {
    cleanup();
    ++cleanups_run_;
  }
}

void FakeRuntime::show_main_window() { window_shown_ = true; }

void FakeRuntime::run_event_loop() {
  ++event_loop_runs_;
  dispatch_queued();
}

void FakeRuntime::queue_event(std::function<void()> event) { events_.push_back(std::move(event)); }

void FakeRuntime::answer_dialog_confirm(const Text& path) {
  dialog_answers_.push_back(DialogAnswer{true, path});
}

void FakeRuntime::answer_dialog_cancel() { dialog_answers_.push_back(DialogAnswer{false, {}}); }

TextArray FakeRuntime::list_column(int column) const {
  TextArray out;
  if (column < 0 || column > 1) return out;
  for (const auto& row : rows_) out.push_back(row[static_cast<std::size_t>(column)]);
  return out;
}

Text FakeRuntime::status_part(int part) const {
  if (part < 0 || static_cast<std::size_t>(part) >= status_parts_.size()) return {};
  return status_parts_[static_cast<std::size_t>(part)];
}

}  // namespace brimlow::testing_support
