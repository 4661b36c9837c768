#include "shell/wx_runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "http/text_helpers.h"
#include "shell/main_window_handlers.h"
#include "shell/wx_main_window.h"
#include "shell/wx_text.h"
#include "shell/wx_url_list_view.h"

namespace brimlow {

namespace {

// Upper bound of GTK dispatches in one pump: a source that stays ready for ever (an idle
// handler asking for more) must not turn "dispatch what is queued" into a busy loop.
constexpr int kMaxDispatchesPerPump = 10000;

// Owns a file descriptor and, until released, the temporary file it was opened on.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pattern) : path_(std::move(pattern)) {
    fd_ = mkstemp(path_.data());
    if (fd_ < 0) path_.clear();
  }
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool close_file() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }
  // The file has been renamed into place and is no longer ours to remove.
  void keep() { path_.clear(); }

 private:
  std::string path_;
  int fd_ = -1;
};

bool write_all(int fd, const Bytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

WxRuntime::WxRuntime() : timer_(*this), dialog_file_name_(gbk(u"*.txt")) {}

WxRuntime::~WxRuntime() {
  timer_.Stop();
  queue_.DeletePendingEvents();
}

void WxRuntime::answer_messages_with(std::function<void(const Text&)> answer) {
  message_answer_ = std::move(answer);
}

void WxRuntime::answer_file_dialog_with(std::function<std::optional<Text>()> answer) {
  dialog_answer_ = std::move(answer);
}

void WxRuntime::end_program_with(std::function<void(int)> ending) { ending_ = std::move(ending); }

Text WxRuntime::get_control_text(Control control) {
  if (!window_) return Text();
  if (wxTextCtrl* box = window_->edit_box(control)) return from_wx(box->GetValue());
  if (wxButton* button = window_->button(control)) return from_wx(button->GetLabel());
  if (control == Control::组合框1) return from_wx(window_->method_list()->GetStringSelection());
  return Text();
}

void WxRuntime::set_control_text(Control control, const Text& text) {
  if (!window_) return;
  if (wxTextCtrl* box = window_->edit_box(control)) {
    const wxString value = to_wx(text);
    // Rewriting an unchanged text would move the caret and selection for nothing.
    if (box->GetValue() != value) {
      box->ChangeValue(value);
      // A text written while the user is in the box (the "http://" of the address box)
      // is typed on from its end, also when a mouse click is still placing the caret.
      if (box->HasFocus()) {
        box->SetInsertionPointEnd();
        box->CallAfter([box] { box->SetInsertionPointEnd(); });
      }
    }
  } else if (wxButton* button = window_->button(control)) {
    button->SetLabel(to_wx(text));
  }
}

int WxRuntime::get_selection(Control control) {
  if (!window_ || control != Control::组合框1) return -1;
  return window_->method_list()->GetSelection();
}

void WxRuntime::set_selection(Control control, int index) {
  if (!window_ || control != Control::组合框1) return;
  wxChoice* list = window_->method_list();
  const bool valid = index >= 0 && static_cast<unsigned>(index) < list->GetCount();
  list->SetSelection(valid ? index : wxNOT_FOUND);
}

int WxRuntime::get_timer_period(Control timer) { return is_timer(timer) ? timer_period_ : 0; }

void WxRuntime::set_timer_period(Control timer, int milliseconds) {
  if (!is_timer(timer) || milliseconds == timer_period_) return;
  timer_period_ = milliseconds;
  // A new period starts counting from now; an event of the old period is not delivered.
  periodic_event_waiting_ = false;
  queue_.DeletePendingEvents();
  if (milliseconds > 0) {
    timer_.Start(milliseconds, wxTIMER_CONTINUOUS);
  } else {
    timer_.Stop();
  }
}

void WxRuntime::queue_periodic_event() {
  if (periodic_event_waiting_) return;
  periodic_event_waiting_ = true;
  queue_.CallAfter([this] { deliver_periodic_event(); });
}

void WxRuntime::deliver_periodic_event() {
  if (!periodic_event_waiting_) return;
  periodic_event_waiting_ = false;
  if (handlers_ && timer_period_ > 0) handlers_->timer_fired();
}

Text WxRuntime::get_dialog_file_name(Control dialog) {
  return dialog == Control::通用对话框1 ? dialog_file_name_ : Text();
}

void WxRuntime::set_dialog_file_name(Control dialog, const Text& path) {
  if (dialog == Control::通用对话框1) dialog_file_name_ = path;
}

void WxRuntime::set_dialog_folder(Control dialog, const Text& folder) {
  if (dialog == Control::通用对话框1) dialog_folder_ = folder;
}

bool WxRuntime::run_file_dialog(Control dialog) {
  if (dialog != Control::通用对话框1) return false;
  if (dialog_answer_) {
    std::optional<Text> chosen = dialog_answer_();
    if (!chosen) return false;
    dialog_file_name_ = *chosen;
    return true;
  }
  const wxString name = to_wx(dialog_file_name_);
  const wxString wildcard = to_wx(gbk(u"文本文件（*.txt）")) + wxS("|*.txt");
  wxFileDialog chooser(window_, wxFileSelectorPromptStr, to_wx(dialog_folder_),
                       name.AfterLast('/'), wildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  chooser.SetName(wxString::FromUTF8(control_name(Control::通用对话框1)));
  const bool confirmed = chooser.ShowModal() == wxID_OK;
  if (confirmed) dialog_file_name_ = from_wx(chooser.GetPath());
  reactivate_main_window();
  return confirmed;
}

void WxRuntime::list_append_row(Control list) {
  if (window_ && list == Control::超级列表框1) window_->url_list()->append_row();
}

int WxRuntime::list_row_count(Control list) {
  if (!window_ || list != Control::超级列表框1) return 0;
  return window_->url_list()->row_count();
}

void WxRuntime::list_set_cell(Control list, int row, int column, const Text& text) {
  if (window_ && list == Control::超级列表框1) window_->url_list()->set_cell(row, column, text);
}

Text WxRuntime::list_get_cell(Control list, int row, int column) {
  if (!window_ || list != Control::超级列表框1) return Text();
  return window_->url_list()->cell(row, column);
}

void WxRuntime::status_set_part_text(Control bar, int part, const Text& text) {
  if (!window_ || bar != Control::状态条1) return;
  wxStatusBar* status = window_->status_bar();
  if (part < 0 || part >= status->GetFieldsCount()) return;
  status->SetStatusText(to_wx(text), part);
}

void WxRuntime::show_message(const Text& text) {
  if (message_answer_) {
    message_answer_(text);
    return;
  }
  wxMessageDialog box(nullptr, to_wx(text), to_wx(gbk(u"信息：")), wxOK | wxICON_NONE);
  box.ShowModal();
  reactivate_main_window();
}

void WxRuntime::reactivate_main_window() {
  // The box has no owner, so nothing hands the activation back when it closes; without
  // this the main window (and its edit boxes' focus rules) would wait for a click on its
  // title bar, or for ever where no window manager runs.
  if (window_ && window_->IsShown()) window_->Raise();
}

void WxRuntime::pump_pending_events() {
  // GTK's sources first (input, redraws, the timer's ticks), then the events queued inside
  // wx (the periodic event among them); again while either produced more work.
  int budget = kMaxDispatchesPerPump;
  for (;;) {
    bool dispatched = false;
    while (budget > 0 && gtk_events_pending()) {
      gtk_main_iteration_do(FALSE);
      --budget;
      dispatched = true;
    }
    if (wxTheApp && wxTheApp->HasPendingEvents()) {
      wxTheApp->ProcessPendingEvents();
      dispatched = true;
    }
    if (!dispatched || budget <= 0) break;
  }
}

Text WxRuntime::program_directory() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return Text();
  path.resize(static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  path.resize(slash == std::string::npos ? 0 : slash);
  return from_wx(wxString::FromUTF8(path.data(), path.size()));
}

Bytes WxRuntime::load_file_bytes(const Text& path) {
  if (path.empty()) return Bytes();
  // Non-blocking, so a named pipe or a device chosen in the dialog cannot hold the window
  // thread in open(); anything but a regular file then reads as no bytes.
  const int fd = open(file_system_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Bytes();
  Bytes bytes;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    bytes.reserve(static_cast<size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
      const ssize_t n = read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        bytes.clear();
        break;
      }
      if (n == 0) break;
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
  }
  close(fd);
  return bytes;
}

bool WxRuntime::save_file_bytes(const Text& path, const Bytes& bytes) {
  if (path.empty()) return false;
  std::string target = file_system_path(path);
  const size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  // A name with a wildcard is the dialog's pattern ("*.txt" before any choice), not a file.
  if (name.empty() || name.find_first_of("*?") != std::string::npos) return false;

  mode_t mode = new_file_mode();
  struct stat info {};
  if (stat(target.c_str(), &info) == 0) {
    // Renaming over a read-only file would replace it; leave it as it is. The mode bits
    // count too, so a read-only file stays untouched even for a privileged user.
    if (!S_ISREG(info.st_mode) || access(target.c_str(), W_OK) != 0 ||
        (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      return false;
    }
    mode = info.st_mode & 07777;
    // A list reached through a symbolic link is the file the link points at: the rename
    // below would otherwise replace the link and leave that file with the old list.
    if (char* resolved = realpath(target.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  } else if (errno != ENOENT) {
    return false;
  }

  // Write beside the target and rename over it: a crash or a full disk never leaves a
  // half-written list.
  TemporaryFile temporary(target + ".XXXXXX");
  if (temporary.fd() < 0) return false;
  if (!write_all(temporary.fd(), bytes) || fchmod(temporary.fd(), mode) != 0 ||
      fsync(temporary.fd()) != 0 || !temporary.close_file()) {
    return false;
  }
  if (rename(temporary.path().c_str(), target.c_str()) != 0) return false;
  temporary.keep();
  return true;
}

void WxRuntime::register_exit_cleanup(std::function<void()> cleanup) {
  exit_cleanups_.push_back(std::move(cleanup));
}

void WxRuntime::end_program(int exit_code) {
  // Taken out first, so a clean-up that ends the program again cannot run them twice.
  std::vector<std::function<void()>> cleanups;
  cleanups.swap(exit_cleanups_);
  for (auto& cleanup : cleanups) {
    if (cleanup) cleanup();
  }
  if (ending_) {
    ending_(exit_code);
    return;
  }
  // Ends right here, also from nested event processing: the window's teardown does not run.
  std::fflush(nullptr);
  _exit(exit_code);
}

void WxRuntime::show_main_window() {
  if (!handlers_ || window_) return;
  window_ = new MainWindow(*handlers_);
  window_->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetEventObject() == window_) window_ = nullptr;
  });
  // The focus starts on the Add button, so every edit box shows its placeholder; set before
  // showing too, or GTK hands it to the first entry when the window maps.
  wxButton* add_button = window_->button(Control::按钮_添加);
  add_button->SetFocus();
  window_->connect_events();
  window_->Show();
  add_button->SetFocus();
}

void WxRuntime::run_event_loop() {
  if (wxTheApp) wxTheApp->OnRun();
}

}  // namespace brimlow
