#pragma once
// The main window: every control at its place with its start content and its name, and the
// toolkit events turned into MainWindowHandlers calls. Geometry is in client pixels.

#include <wx/frame.h>

#include "shell/main_window_handlers.h"
#include "shell/window_runtime.h"

class wxButton;
class wxChoice;
class wxPanel;
class wxStatusBar;
class wxTextCtrl;

namespace brimlow {

class IntervalArrows;
class UrlListView;

class MainWindow : public wxFrame {
 public:
  static constexpr int kOuterWidth = 327;
  static constexpr int kOuterHeight = 389;

  // Builds the window hidden. Events reach `handlers` only once `connect_events` ran, so
  // nothing fires while the window is built.
  explicit MainWindow(MainWindowHandlers& handlers);

  void connect_events();

  // The toolkit window of a control; null for the timer and the file dialog.
  wxWindow* control_window(Control control) const;
  wxTextCtrl* edit_box(Control control) const;
  wxButton* button(Control control) const;
  wxChoice* method_list() const { return method_list_; }
  UrlListView* url_list() const { return url_list_; }
  wxStatusBar* status_bar() const { return status_bar_; }
  wxPanel* background() const { return background_; }

 private:
  void build_controls();
  void on_interval_char(wxKeyEvent& event);
  void on_char_hook(wxKeyEvent& event);
  void on_close(wxCloseEvent& event);
  void on_arrow(bool up);
  void on_background_down(wxMouseEvent& event);
  void on_background_motion(wxMouseEvent& event);
  void on_background_up(wxMouseEvent& event);

  MainWindowHandlers& handlers_;
  bool closing_ = false;
  wxPanel* background_ = nullptr;
  wxTextCtrl* address_box_ = nullptr;
  wxTextCtrl* interval_box_ = nullptr;
  IntervalArrows* interval_arrows_ = nullptr;
  wxButton* add_button_ = nullptr;
  wxButton* import_button_ = nullptr;
  UrlListView* url_list_ = nullptr;
  wxTextCtrl* post_box_ = nullptr;
  wxChoice* method_list_ = nullptr;
  wxTextCtrl* mail_box_ = nullptr;
  wxButton* monitor_button_ = nullptr;
  wxStatusBar* status_bar_ = nullptr;
  wxPoint drag_offset_;  // pointer position minus window position while dragging
};

}  // namespace brimlow
