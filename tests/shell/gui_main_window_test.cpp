// The real main window under Xvfb: built with every named control in place, typed into and
// clicked like a user does, closed with Esc.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "http/text_helpers.h"
#include "shell/wx_text.h"
#include "shell/wx_url_list_view.h"
#include "tests/shell/gui_fixture.h"
#include "tests/support/case_name.h"

namespace brimlow::testing {
namespace {

using namespace std::chrono_literals;

struct ControlCase {
  const char* label;
  Control control;
  wxRect place;        // client pixels
  const char16_t* text;  // start text or caption; null where the control has none
};

const ControlCase kControls[] = {
    {"Mail", Control::编辑框_邮箱, wxRect(10, 289, 300, 20), u"邮箱"},
    {"Method", Control::组合框1, wxRect(238, 267, 72, 20), u"GET"},
    {"Post", Control::编辑框_POST, wxRect(10, 266, 222, 20), u"POST专用"},
    {"Monitor", Control::按钮_监控, wxRect(9, 312, 302, 23), u"监控[点我开启]"},
    {"Import", Control::按钮_导入, wxRect(259, 8, 52, 32), u"导入"},
    {"Address", Control::编辑框_网址, wxRect(10, 8, 127, 32), u"网址"},
    {"List", Control::超级列表框1, wxRect(10, 43, 300, 220), nullptr},
    {"Interval", Control::编辑框_频率, wxRect(140, 8, 45, 32), u"频率/s"},
    {"Add", Control::按钮_添加, wxRect(205, 8, 52, 32), u"添加"},
};

class GuiMainWindow : public MainWindowFixture {};

TEST_F(GuiMainWindow, EveryNamedControlSitsInItsRectangleWithItsStartContent) {
  for (const ControlCase& c : kControls) {
    SCOPED_TRACE(c.label);
    wxWindow* control = find(c.control);
    ASSERT_NE(control, nullptr) << control_name(c.control);
    EXPECT_EQ(control->GetParent(), window_->background());
    EXPECT_EQ(control->GetRect(), c.place);
    if (c.text) {
      EXPECT_EQ(runtime_->get_control_text(c.control), gbk(c.text));
    }
  }
  // The widgets themselves show those texts, not only the runtime's view of them.
  EXPECT_EQ(static_cast<wxTextCtrl*>(find(Control::编辑框_POST))->GetValue(),
            wxString::FromUTF8("POST专用"));
  EXPECT_EQ(find(Control::按钮_监控)->GetLabel(), wxString::FromUTF8("监控[点我开启]"));
  // The arrows stand right of the interval box, 18 pixels wide and as tall as the box.
  bool arrows_found = false;
  for (wxWindow* child : window_->background()->GetChildren()) {
    arrows_found = arrows_found || child->GetRect() == wxRect(185, 8, 18, 32);
  }
  EXPECT_TRUE(arrows_found);
}

TEST_F(GuiMainWindow, WindowTitleSizeStyleAndStartFocus) {
  EXPECT_EQ(window_->GetTitle(), wxString::FromUTF8("Brimlow - 网址监控"));
  EXPECT_EQ(window_->GetSize(), wxSize(327, 389));
  EXPECT_FALSE(window_->HasFlag(wxMAXIMIZE_BOX));
  EXPECT_FALSE(window_->HasFlag(wxRESIZE_BORDER));
  EXPECT_TRUE(window_->HasFlag(wxMINIMIZE_BOX));
  EXPECT_TRUE(window_->HasFlag(wxCLOSE_BOX));
  EXPECT_EQ(window_->background()->GetBackgroundColour(), *wxWHITE);
  ASSERT_EQ(window_->GetIcons().GetIconCount(), 1u);
  const wxIcon icon = window_->GetIcons().GetIconByIndex(0);
  ASSERT_TRUE(icon.IsOk());
  EXPECT_EQ(icon.GetWidth(), 128);
  EXPECT_EQ(icon.GetHeight(), 128);
  // Centred on the screen.
  const wxRect screen = wxGetClientDisplayRect();
  const wxPoint centre = window_->GetRect().GetPosition() + wxSize(327 / 2, 389 / 2);
  EXPECT_NEAR(centre.x, screen.x + screen.width / 2, 2);
  EXPECT_NEAR(centre.y, screen.y + screen.height / 2, 2);
  // The focus starts on Add, so no edit box left its placeholder.
  EXPECT_EQ(wxWindow::FindFocus(), find(Control::按钮_添加));
}

TEST_F(GuiMainWindow, MethodListStatusBarAndListViewSettings) {
  auto* methods = static_cast<wxChoice*>(find(Control::组合框1));
  ASSERT_NE(methods, nullptr);
  const char* expected[] = {"GET", "POST", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  ASSERT_EQ(methods->GetCount(), std::size(expected));
  for (unsigned i = 0; i < methods->GetCount(); ++i) EXPECT_EQ(methods->GetString(i), expected[i]);
  EXPECT_EQ(runtime_->get_selection(Control::组合框1), 0);
  runtime_->set_selection(Control::组合框1, 2);
  EXPECT_EQ(methods->GetStringSelection(), "PUT");
  runtime_->set_selection(Control::组合框1, 7);
  EXPECT_EQ(runtime_->get_selection(Control::组合框1), -1);

  auto* bar = static_cast<wxStatusBar*>(find(Control::状态条1));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->GetFieldsCount(), 2);
  EXPECT_EQ(bar->GetStatusWidth(0), 60);
  EXPECT_EQ(bar->GetStatusWidth(1), 261);
  EXPECT_FALSE(bar->HasFlag(wxSTB_SIZEGRIP));
  EXPECT_EQ(bar->GetStatusText(0), wxString::FromUTF8("监控次数："));
  EXPECT_EQ(bar->GetStatusText(1), "");
  runtime_->status_set_part_text(Control::状态条1, 1, "12");
  runtime_->status_set_part_text(Control::状态条1, 2, "ignored");
  EXPECT_EQ(bar->GetStatusText(1), "12");

  auto* list = static_cast<wxListCtrl*>(find(Control::超级列表框1));
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->HasFlag(wxLC_REPORT));
  EXPECT_TRUE(list->HasFlag(wxLC_VIRTUAL));
  EXPECT_TRUE(list->HasFlag(wxLC_EDIT_LABELS));
  EXPECT_FALSE(list->HasFlag(wxLC_SINGLE_SEL));
  ASSERT_EQ(list->GetColumnCount(), 2);
  wxListItem column;
  column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_WIDTH | wxLIST_MASK_FORMAT);
  ASSERT_TRUE(list->GetColumn(0, column));
  EXPECT_EQ(column.GetText(), wxString::FromUTF8("序号"));
  EXPECT_EQ(column.GetWidth(), 50);
  ASSERT_TRUE(list->GetColumn(1, column));
  EXPECT_EQ(column.GetText(), wxString::FromUTF8("网址"));
  EXPECT_EQ(column.GetWidth(), 220);
  EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(GuiMainWindow, ListCellsKeepTheirBytesAndShowTheirRendering) {
  const Text not_gbk = "\x81\x20x";  // a lead byte without a valid trail byte
  const Text chinese = gbk(u"http://例子.cn/");
  runtime_->list_append_row(Control::超级列表框1);
  runtime_->list_append_row(Control::超级列表框1);
  runtime_->list_set_cell(Control::超级列表框1, 0, 1, not_gbk);
  runtime_->list_set_cell(Control::超级列表框1, 1, 1, chinese);
  runtime_->list_set_cell(Control::超级列表框1, 1, 2, "no third column");
  runtime_->list_set_cell(Control::超级列表框1, 2, 1, "no third row");
  EXPECT_EQ(runtime_->list_row_count(Control::超级列表框1), 2);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 1), not_gbk);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 1, 1), chinese);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 1, 2), "");
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 5, 0), "");
  pump_for(50ms);
  UrlListView* list = window_->url_list();
  EXPECT_EQ(list->GetItemCount(), 2);
  EXPECT_EQ(list->GetItemText(1, 1), wxString::FromUTF8("http://例子.cn/"));
}

TEST_F(GuiMainWindow, FirstColumnIsEditedInPlaceAndKeepsTheEdit) {
  runtime_->list_append_row(Control::超级列表框1);
  runtime_->list_set_cell(Control::超级列表框1, 0, 0, "1");
  runtime_->list_set_cell(Control::超级列表框1, 0, 1, "http://a/");
  pump_for(50ms);
  UrlListView* list = window_->url_list();
  wxTextCtrl* editor = list->EditLabel(0);
  ASSERT_NE(editor, nullptr);
  pump_for(50ms);
  editor->SetValue(wxString::FromUTF8("七"));
  editor->SetFocus();
  pump_for(50ms);
  press(WXK_RETURN);
  wait_until([&] { return runtime_->list_get_cell(Control::超级列表框1, 0, 0) != "1"; });
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 0), gbk(u"七"));
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 1), "http://a/");
}

TEST_F(GuiMainWindow, EscInTheFirstColumnsEditorCancelsTheEditOnly) {
  runtime_->list_append_row(Control::超级列表框1);
  runtime_->list_set_cell(Control::超级列表框1, 0, 0, "1");
  pump_for(50ms);
  wxTextCtrl* editor = window_->url_list()->EditLabel(0);
  ASSERT_NE(editor, nullptr);
  editor->SetFocus();
  pump_for(50ms);
  type("9");
  press(WXK_ESCAPE);
  pump_for(100ms);
  EXPECT_TRUE(exit_codes_.empty());
  ASSERT_NE(runtime_->main_window(), nullptr);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 0), "1");
  EXPECT_EQ(window_->url_list()->GetEditControl(), nullptr);
}

TEST_F(GuiMainWindow, TypingAnAddressAndClickingAddAppendsRows) {
  click(find(Control::编辑框_网址));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_网址), "http://");
  type("example.org/a");
  click(find(Control::按钮_添加));
  ASSERT_EQ(runtime_->list_row_count(Control::超级列表框1), 1);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 0), "1");
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 0, 1), "http://example.org/a");

  // Emptied by the user, the box stays empty and Add takes the empty address.
  click(find(Control::编辑框_网址));
  press('A', wxMOD_CONTROL);
  press(WXK_BACK);
  click(find(Control::按钮_添加));
  ASSERT_EQ(runtime_->list_row_count(Control::超级列表框1), 2);
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 1, 0), "2");
  EXPECT_EQ(runtime_->list_get_cell(Control::超级列表框1, 1, 1), "");
  EXPECT_TRUE(messages_.empty());
  pump_for(50ms);
  EXPECT_EQ(window_->url_list()->GetItemCount(), 2);
  EXPECT_EQ(window_->url_list()->GetItemText(0, 1), "http://example.org/a");
}

TEST_F(GuiMainWindow, AddOnTheUntouchedAddressBoxShowsTheMessage) {
  click(find(Control::编辑框_网址));
  click(find(Control::按钮_添加));  // "http://" alone turns back into the placeholder
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_网址), gbk(u"网址"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind(gbk(u"请输入正确网址，带http(?s)://，例子："), 0), 0u);
  EXPECT_EQ(runtime_->list_row_count(Control::超级列表框1), 0);
}

TEST_F(GuiMainWindow, IntervalBoxTakesOnlyDigitsAndMinusAndAppliesTheMinimum) {
  click(find(Control::编辑框_频率));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "");
  type("q0a4 ");
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "04");
  press(WXK_BACK);
  press(WXK_BACK);
  type("-3");
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "-3");
  click(find(Control::编辑框_邮箱));  // leaving normalises, then the minimum applies
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], gbk(u"频率不能低于5！"));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "5");
  // The mail box cleared its placeholder on entering and restores it when left empty.
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_邮箱), "");
  click(find(Control::编辑框_POST));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_邮箱), gbk(u"邮箱"));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_POST), "");
}

// Presses OK in the program's first visible window that is not the main window (327 x 389),
// from outside, the way a user answers a real modal box.
void answer_real_box_with_return() {
  const std::string script =
      "for try in $(seq 50); do"
      "  for w in $(xdotool search --onlyvisible --pid " + std::to_string(getpid()) + "); do"
      "    if ! xdotool getwindowgeometry $w | grep -q 327x389; then"
      "      sleep 0.5; xdotool windowfocus --sync $w key Return; exit 0;"
      "    fi;"
      "  done; sleep 0.1;"
      "done; exit 1";
  EXPECT_EQ(std::system(script.c_str()), 0) << "no message box appeared";
}

TEST_F(GuiMainWindow, RealMessageBoxFromLeavingTheIntervalBoxHandsTheFocusBack) {
  runtime_->answer_messages_with(nullptr);  // the real modal box this time
  click(find(Control::编辑框_频率));
  type("3");
  std::thread user(answer_real_box_with_return);
  click(find(Control::编辑框_邮箱));  // returns once the box is closed
  user.join();
  pump_for(200ms);
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "5");
  // The click's focus change completes after the box: the mail box clears its placeholder.
  EXPECT_EQ(wxWindow::FindFocus(), find(Control::编辑框_邮箱));
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_邮箱), "");
}

TEST_F(GuiMainWindow, ArrowsStepTheIntervalSelectItAndFocusTheBox) {
  auto* box = static_cast<wxTextCtrl*>(find(Control::编辑框_频率));
  wxPanel* background = window_->background();
  const wxPoint up = background->ClientToScreen(wxPoint(185 + 9, 8 + 8));
  const wxPoint down = background->ClientToScreen(wxPoint(185 + 9, 8 + 24));

  simulator_.MouseMove(up);
  pump_for(30ms);
  simulator_.MouseClick();
  pump_for(100ms);
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "5");  // up on "频率/s"
  EXPECT_EQ(wxWindow::FindFocus(), box);
  long from = -1, to = -1;
  box->GetSelection(&from, &to);
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 1);

  simulator_.MouseMove(down);
  pump_for(30ms);
  simulator_.MouseClick();
  pump_for(100ms);
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "60");  // down on 5 wraps
  box->GetSelection(&from, &to);
  EXPECT_EQ(from, 0);
  EXPECT_EQ(to, 2);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GuiMainWindow, ArrowClickLeavesTheFocusInTheIntervalBox) {
  click(find(Control::编辑框_频率));
  type("3");
  const wxPoint up = window_->background()->ClientToScreen(wxPoint(185 + 9, 8 + 8));
  simulator_.MouseMove(up);
  pump_for(30ms);
  simulator_.MouseClick();
  pump_for(100ms);
  // No focus-out ran in between: "3" + 1 lies below 5, so the up arrow gives 5, silently.
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(runtime_->get_control_text(Control::编辑框_频率), "5");
  EXPECT_EQ(wxWindow::FindFocus(), find(Control::编辑框_频率));
}

TEST_F(GuiMainWindow, DraggingTheBackgroundMovesTheWindow) {
  const wxPoint before = window_->GetPosition();
  const wxPoint grip = window_->background()->ClientToScreen(wxPoint(5, 150));
  simulator_.MouseMove(grip);
  pump_for(30ms);
  simulator_.MouseDown();
  pump_for(30ms);
  simulator_.MouseMove(grip + wxPoint(40, 25));
  pump_for(80ms);
  simulator_.MouseUp();
  pump_for(80ms);
  EXPECT_EQ(window_->GetPosition(), before + wxPoint(40, 25));
}

TEST_F(GuiMainWindow, ImportThenEscWritesTheListFileAndEndsWithZero) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("brimlow-gui-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path list_file = folder / "list.txt";
  {
    std::ofstream out(list_file, std::ios::binary);
    out << "http://a/,http://b/";
  }
  dialog_answer_ = list_file.string();
  click(find(Control::按钮_导入));
  ASSERT_EQ(runtime_->list_row_count(Control::超级列表框1), 2);
  EXPECT_EQ(runtime_->get_dialog_file_name(Control::通用对话框1), list_file.string());

  click(find(Control::编辑框_网址));
  type("c.example/");
  click(find(Control::按钮_添加));
  press(WXK_ESCAPE);
  wait_until([this] { return runtime_->main_window() == nullptr; });

  ASSERT_EQ(exit_codes_, std::vector<int>{0});
  EXPECT_EQ(runtime_->main_window(), nullptr);
  std::ifstream in(list_file, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "http://a/,http://b/,http://c.example/");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace brimlow::testing
