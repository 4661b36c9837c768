#include "shell/wx_main_window.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "http/text_helpers.h"
#include "shell/wx_interval_arrows.h"
#include "shell/wx_program_icon.h"
#include "shell/wx_style.h"
#include "shell/wx_text.h"
#include "shell/wx_url_list_view.h"

namespace brimlow {

namespace {

void name_window(wxWindow* window, Control control) {
  window->SetName(wxString::FromUTF8(control_name(control)));
}

wxTextCtrl* make_edit_box(wxWindow* parent, Control control, const char16_t* start_text,
                          wxRect place) {
  // One line, text centred, no length limit; the entry scrolls sideways by itself.
  auto* box = new wxTextCtrl(parent, wxID_ANY, to_wx(gbk(start_text)), place.GetPosition(),
                             place.GetSize(), wxTE_CENTRE);
  box->SetBackgroundColour(*wxWHITE);
  name_window(box, control);
  return box;
}

wxButton* make_button(wxWindow* parent, Control control, const char16_t* caption,
                      wxRect place) {
  auto* button = new wxButton(parent, wxID_ANY, to_wx(gbk(caption)), place.GetPosition(),
                              place.GetSize(), wxBU_EXACTFIT);
  name_window(button, control);
  return button;
}

}  // namespace

MainWindow::MainWindow(MainWindowHandlers& handlers)
    : wxFrame(nullptr, wxID_ANY, to_wx(gbk(u"Brimlow - 网址监控")), wxDefaultPosition,
              wxSize(kOuterWidth, kOuterHeight),
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      handlers_(handlers) {
  SetFont(compact_font());
  SetBackgroundColour(*wxWHITE);
  SetIcon(program_icon());
  apply_compact_style(*this);
  build_controls();
  SetSize(kOuterWidth, kOuterHeight);
  SetSizeHints(GetSize(), GetSize());
  Centre(wxBOTH);
}

void MainWindow::build_controls() {
  status_bar_ = new wxStatusBar(this, wxID_ANY, wxSTB_SHOW_TIPS | wxFULL_REPAINT_ON_RESIZE);
  status_bar_->SetFont(status_font());
  const int widths[] = {60, 261};
  const int styles[] = {wxSB_FLAT, wxSB_FLAT};
  status_bar_->SetFieldsCount(2, widths);
  status_bar_->SetStatusStyles(2, styles);
  status_bar_->SetStatusText(to_wx(gbk(u"监控次数：")), 0);
  name_window(status_bar_, Control::状态条1);
  SetStatusBar(status_bar_);

  background_ = new wxPanel(this, wxID_ANY, wxPoint(0, 0), GetClientSize(), wxTAB_TRAVERSAL);
  background_->SetBackgroundColour(*wxWHITE);
  wxWindow* p = background_;

  // Created in tab order.
  address_box_ = make_edit_box(p, Control::编辑框_网址, u"网址", wxRect(10, 8, 127, 32));
  interval_box_ = make_edit_box(p, Control::编辑框_频率, u"频率/s", wxRect(140, 8, 45, 32));
  interval_arrows_ = new IntervalArrows(p, wxPoint(185, 8), wxSize(18, 32),
                                        [this](bool up) { on_arrow(up); });
  add_button_ = make_button(p, Control::按钮_添加, u"添加", wxRect(205, 8, 52, 32));
  import_button_ = make_button(p, Control::按钮_导入, u"导入", wxRect(259, 8, 52, 32));
  url_list_ = new UrlListView(p, wxPoint(10, 43), wxSize(300, 220));
  name_window(url_list_, Control::超级列表框1);
  post_box_ = make_edit_box(p, Control::编辑框_POST, u"POST专用", wxRect(10, 266, 222, 20));

  wxArrayString methods;
  for (const char16_t* method : {u"GET", u"POST", u"PUT", u"OPTIONS", u"DELETE", u"TRACE",
                                 u"CONNECT"}) {
    methods.Add(to_wx(gbk(method)));
  }
  method_list_ = new wxChoice(p, wxID_ANY, wxPoint(238, 267), wxSize(72, 20), methods);
  method_list_->SetSelection(0);
  name_window(method_list_, Control::组合框1);

  mail_box_ = make_edit_box(p, Control::编辑框_邮箱, u"邮箱", wxRect(10, 289, 300, 20));
  monitor_button_ = make_button(p, Control::按钮_监控, u"监控[点我开启]", wxRect(9, 312, 302, 23));

  // GTK lets a widget grow to its theme's minimum; pin every control to its rectangle.
  for (wxWindow* child : p->GetChildren()) {
    const wxSize size = child->GetSize();
    child->SetMinSize(size);
    child->SetMaxSize(size);
  }
}

void MainWindow::connect_events() {
  const std::pair<wxTextCtrl*, Control> boxes[] = {
      {address_box_, Control::编辑框_网址},
      {interval_box_, Control::编辑框_频率},
      {post_box_, Control::编辑框_POST},
      {mail_box_, Control::编辑框_邮箱},
  };
  for (const auto& [box, control] : boxes) {
    box->Bind(wxEVT_SET_FOCUS, [this, control = control](wxFocusEvent& event) {
      event.Skip();
      if (!closing_) handlers_.focus_entered(control);
    });
    box->Bind(wxEVT_KILL_FOCUS, [this, control = control](wxFocusEvent& event) {
      event.Skip();
      if (!closing_) handlers_.focus_left(control);
    });
  }
  interval_box_->Bind(wxEVT_CHAR, &MainWindow::on_interval_char, this);
  add_button_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { handlers_.add_url_clicked(); });
  import_button_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { handlers_.import_clicked(); });
  monitor_button_->Bind(wxEVT_BUTTON,
                        [this](wxCommandEvent&) { handlers_.toggle_monitor_clicked(); });
  Bind(wxEVT_CHAR_HOOK, &MainWindow::on_char_hook, this);
  Bind(wxEVT_CLOSE_WINDOW, &MainWindow::on_close, this);
  background_->Bind(wxEVT_LEFT_DOWN, &MainWindow::on_background_down, this);
  background_->Bind(wxEVT_MOTION, &MainWindow::on_background_motion, this);
  background_->Bind(wxEVT_LEFT_UP, &MainWindow::on_background_up, this);
  background_->Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
}

wxWindow* MainWindow::control_window(Control control) const {
  switch (control) {
    case Control::编辑框_网址: return address_box_;
    case Control::编辑框_频率: return interval_box_;
    case Control::按钮_添加: return add_button_;
    case Control::按钮_导入: return import_button_;
    case Control::超级列表框1: return url_list_;
    case Control::编辑框_POST: return post_box_;
    case Control::组合框1: return method_list_;
    case Control::编辑框_邮箱: return mail_box_;
    case Control::按钮_监控: return monitor_button_;
    case Control::状态条1: return status_bar_;
    case Control::通用对话框1:
    case Control::时钟_监控: return nullptr;
  }
  return nullptr;
}

wxTextCtrl* MainWindow::edit_box(Control control) const {
  switch (control) {
    case Control::编辑框_网址: return address_box_;
    case Control::编辑框_频率: return interval_box_;
    case Control::编辑框_POST: return post_box_;
    case Control::编辑框_邮箱: return mail_box_;
    default: return nullptr;
  }
}

wxButton* MainWindow::button(Control control) const {
  switch (control) {
    case Control::按钮_添加: return add_button_;
    case Control::按钮_导入: return import_button_;
    case Control::按钮_监控: return monitor_button_;
    default: return nullptr;
  }
}

void MainWindow::on_interval_char(wxKeyEvent& event) {
  const wxChar character = event.GetUnicodeKey();
  // Navigation and editing keys carry no character; control characters (Backspace, Ctrl+V
  // and the like) and shortcuts keep working as usual.
  if (character == WXK_NONE || character < 0x20 || character == 0x7f || event.ControlDown() ||
      event.AltDown() || interval_box_accepts(static_cast<char32_t>(character))) {
    event.Skip();
  }
}

void MainWindow::on_char_hook(wxKeyEvent& event) {
  // Esc in the list's in-place editor cancels that edit; anywhere else it closes.
  if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers() &&
      !url_list_->GetEditControl()) {
    Close(true);
    return;
  }
  event.Skip();
}

void MainWindow::on_close(wxCloseEvent&) {
  // Closing is never asked about: the window goes at once, and its going saves the list
  // and ends the program. The guard keeps a second close (nested inside the first one's
  // handlers) from saving twice.
  if (closing_) return;
  closing_ = true;
  handlers_.window_destroying();
  Destroy();
}

void MainWindow::on_arrow(bool up) {
  handlers_.interval_arrow_clicked(up);
  interval_box_->SetFocus();
  interval_box_->SelectAll();
  // Queued behind the caret placement that a text write into a focused box queues.
  wxTextCtrl* box = interval_box_;
  box->CallAfter([box] { box->SelectAll(); });
}

void MainWindow::on_background_down(wxMouseEvent& event) {
  drag_offset_ = background_->ClientToScreen(event.GetPosition()) - GetPosition();
  if (!background_->HasCapture()) background_->CaptureMouse();
}

void MainWindow::on_background_motion(wxMouseEvent& event) {
  if (!background_->HasCapture() || !event.LeftIsDown()) return;
  Move(background_->ClientToScreen(event.GetPosition()) - drag_offset_);
}

void MainWindow::on_background_up(wxMouseEvent&) {
  if (background_->HasCapture()) background_->ReleaseMouse();
}

}  // namespace brimlow
