// The main window's handlers against the recording runtime: placeholder rules, the
// interval box (normalisation, minimum, arrows, accepted keys), Add and the monitor switch.

#include "shell/main_window_handlers.h"

#include <gtest/gtest.h>

#include "http/text_helpers.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::CaseName;
using testing_support::FakeRuntime;

// Counts writes to each control, to show which handlers leave a box alone.
class CountingRuntime : public FakeRuntime {
 public:
  void set_control_text(Control control, const Text& text) override {
    ++writes[control];
    FakeRuntime::set_control_text(control, text);
  }
  std::map<Control, int> writes;
};

class HandlersTest : public ::testing::Test {
 protected:
  CountingRuntime fake;
  ProgramState state;
  int timer_calls = 0;
  MainWindowHandlers handlers{fake, state, [this] { ++timer_calls; }};

  Text text(Control box) { return fake.get_control_text(box); }
};

// --- Placeholder rules -----------------------------------------------------------------

struct PlaceholderCase {
  const char* name;
  Control box;
  Text typed;           // what the user leaves in the box after entering it
  Text after_entering;  // the box right after the focus entered
  Text after_leaving;
};

class PlaceholderTest : public HandlersTest, public ::testing::WithParamInterface<PlaceholderCase> {};

TEST_P(PlaceholderTest, EnterThenTypeThenLeave) {
  const PlaceholderCase& c = GetParam();
  handlers.focus_entered(c.box);
  EXPECT_EQ(text(c.box), c.after_entering);
  fake.FakeRuntime::set_control_text(c.box, c.typed);
  handlers.focus_left(c.box);
  EXPECT_EQ(text(c.box), c.after_leaving);
  EXPECT_TRUE(fake.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, PlaceholderTest,
    ::testing::Values(
        PlaceholderCase{"address untouched", Control::编辑框_网址, "http://", "http://", gbk(u"网址")},
        PlaceholderCase{"address emptied stays empty", Control::编辑框_网址, "", "http://", ""},
        PlaceholderCase{"address typed", Control::编辑框_网址, "http://a.b/", "http://", "http://a.b/"},
        PlaceholderCase{"address differs in case", Control::编辑框_网址, "HTTP://", "http://", "HTTP://"},
        PlaceholderCase{"post left empty", Control::编辑框_POST, "", "", gbk(u"POST专用")},
        PlaceholderCase{"post typed", Control::编辑框_POST, "a=1", "", "a=1"},
        PlaceholderCase{"post blank is not empty", Control::编辑框_POST, " ", "", " "},
        PlaceholderCase{"mail left empty", Control::编辑框_邮箱, "", "", gbk(u"邮箱")},
        PlaceholderCase{"mail typed", Control::编辑框_邮箱, "a@b.c", "", "a@b.c"},
        PlaceholderCase{"interval left empty", Control::编辑框_频率, "", "", gbk(u"频率/s")},
        PlaceholderCase{"interval typed", Control::编辑框_频率, "30", "", "30"}),
    CaseName());

TEST_F(HandlersTest, EnteringABoxThatNoLongerShowsItsPlaceholderChangesNothing) {
  fake.FakeRuntime::set_control_text(Control::编辑框_网址, "http://x/");
  fake.FakeRuntime::set_control_text(Control::编辑框_邮箱, "a@b.c");
  handlers.focus_entered(Control::编辑框_网址);
  handlers.focus_entered(Control::编辑框_邮箱);
  EXPECT_EQ(text(Control::编辑框_网址), "http://x/");
  EXPECT_EQ(text(Control::编辑框_邮箱), "a@b.c");
  EXPECT_EQ(fake.writes[Control::编辑框_网址], 0);
  EXPECT_EQ(fake.writes[Control::编辑框_邮箱], 0);
}

// --- Interval box on focus-out ----------------------------------------------------------

struct IntervalLeaveCase {
  const char* name;
  Text typed;
  Text expected;
  bool warns;  // "频率不能低于5！" shown
};

class IntervalLeaveTest : public HandlersTest,
                          public ::testing::WithParamInterface<IntervalLeaveCase> {};

TEST_P(IntervalLeaveTest, NormalisesThenPlaceholderThenMinimum) {
  const IntervalLeaveCase& c = GetParam();
  handlers.focus_entered(Control::编辑框_频率);
  fake.FakeRuntime::set_control_text(Control::编辑框_频率, c.typed);
  handlers.focus_left(Control::编辑框_频率);
  EXPECT_EQ(text(Control::编辑框_频率), c.expected);
  if (c.warns) {
    EXPECT_EQ(fake.messages(), std::vector<Text>{gbk(u"频率不能低于5！")});
  } else {
    EXPECT_TRUE(fake.messages().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntervalLeaveTest,
    ::testing::Values(
        IntervalLeaveCase{"plain", "10", "10", false},
        IntervalLeaveCase{"minimum itself", "5", "5", false},
        IntervalLeaveCase{"leading zeros", "007", "7", false},
        IntervalLeaveCase{"plus sign", "+30", "30", false},
        IntervalLeaveCase{"leading blanks", "  12", "12", false},
        IntervalLeaveCase{"trailing junk", "12-3", "12", false},
        IntervalLeaveCase{"full-width digits", gbk(u"１２"), "12", false},
        IntervalLeaveCase{"below minimum", "3", "5", true},
        IntervalLeaveCase{"four", "4", "5", true},
        IntervalLeaveCase{"negative", "-7", "5", true},
        IntervalLeaveCase{"zero", "0", gbk(u"频率/s"), false},
        IntervalLeaveCase{"zeros", "000", gbk(u"频率/s"), false},
        IntervalLeaveCase{"minus only", "-", gbk(u"频率/s"), false},
        IntervalLeaveCase{"minus zero", "-0", gbk(u"频率/s"), false},
        IntervalLeaveCase{"empty", "", gbk(u"频率/s"), false},
        IntervalLeaveCase{"int32 max", "2147483647", "2147483647", false},
        IntervalLeaveCase{"above int32", "2147483648", "2147483647", false},
        IntervalLeaveCase{"far above int32", "99999999999999999999999", "2147483647", false},
        IntervalLeaveCase{"below int32", "-99999999999", "5", true}),
    CaseName());

TEST_F(HandlersTest, IntervalIsRewrittenOnlyWhenNormalisingChangesIt) {
  fake.FakeRuntime::set_control_text(Control::编辑框_频率, "30");
  handlers.focus_left(Control::编辑框_频率);
  EXPECT_EQ(fake.writes[Control::编辑框_频率], 0);
  handlers.focus_left(Control::编辑框_频率);
  EXPECT_EQ(fake.writes[Control::编辑框_频率], 0);

  fake.FakeRuntime::set_control_text(Control::编辑框_频率, "030");
  handlers.focus_left(Control::编辑框_频率);
  EXPECT_EQ(fake.writes[Control::编辑框_频率], 1);
  EXPECT_EQ(text(Control::编辑框_频率), "30");
}

TEST(IntervalBoxAccepts, DigitsAndMinusOnly) {
  for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_TRUE(interval_box_accepts(c));
  EXPECT_TRUE(interval_box_accepts(U'-'));
  for (char32_t c : {U'a', U'Z', U'+', U'.', U' ', U'/', U':', U'０', U'１', U'频'}) {
    EXPECT_FALSE(interval_box_accepts(c)) << static_cast<unsigned>(c);
  }
}

// --- Arrows -----------------------------------------------------------------------------

struct ArrowCase {
  const char* name;
  Text before;
  bool up;
  Text after;
};

class ArrowTest : public HandlersTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(ArrowTest, StepsWithinFiveToSixtyAndWraps) {
  const ArrowCase& c = GetParam();
  fake.FakeRuntime::set_control_text(Control::编辑框_频率, c.before);
  handlers.interval_arrow_clicked(c.up);
  EXPECT_EQ(text(Control::编辑框_频率), c.after);
  EXPECT_TRUE(fake.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ArrowTest,
    ::testing::Values(ArrowCase{"up in range", "10", true, "11"},
                      ArrowCase{"down in range", "10", false, "9"},
                      ArrowCase{"up to the top", "59", true, "60"},
                      ArrowCase{"up past the top wraps", "60", true, "5"},
                      ArrowCase{"down to the bottom", "6", false, "5"},
                      ArrowCase{"down past the bottom wraps", "5", false, "60"},
                      ArrowCase{"up from four", "4", true, "5"},
                      ArrowCase{"up from three", "3", true, "5"},
                      ArrowCase{"down from sixty-one", "61", false, "60"},
                      ArrowCase{"down from far above", "1000", false, "60"},
                      ArrowCase{"up from far above", "1000", true, "5"},
                      ArrowCase{"up on the placeholder", gbk(u"频率/s"), true, "5"},
                      ArrowCase{"down on the placeholder", gbk(u"频率/s"), false, "60"},
                      ArrowCase{"up on empty", "", true, "5"},
                      ArrowCase{"down on negative", "-20", false, "60"},
                      ArrowCase{"up on huge", "99999999999999999999999", true, "5"},
                      ArrowCase{"down on most negative", "-99999999999999999999999", false, "60"},
                      ArrowCase{"leading integer only", "12-5", true, "13"}),
    CaseName());

// --- Add --------------------------------------------------------------------------------

TEST_F(HandlersTest, AddOnThePlaceholderShowsTheMessageAndAddsNothing) {
  handlers.add_url_clicked();
  EXPECT_EQ(fake.messages(),
            std::vector<Text>{gbk(u"请输入正确网址，带http(?s)://，例子：") + "http://www.example.com/"});
  EXPECT_EQ(fake.list_row_count(Control::超级列表框1), 0);
}

TEST_F(HandlersTest, AddAppendsWhateverTheBoxHoldsNumberedOnward) {
  const Text gbk_address = "http://" + gbk(u"中文") + ".cn/";
  for (const Text& address : {Text("http://a.example/"), Text(), Text("ftp://x"), gbk_address}) {
    fake.FakeRuntime::set_control_text(Control::编辑框_网址, address);
    handlers.add_url_clicked();
  }
  EXPECT_TRUE(fake.messages().empty());
  EXPECT_EQ(fake.list_column(0), (TextArray{"1", "2", "3", "4"}));
  EXPECT_EQ(fake.list_column(1), (TextArray{"http://a.example/", "", "ftp://x", gbk_address}));
}

TEST_F(HandlersTest, AddAfterLeavingAnUntouchedAddressBoxShowsTheMessage) {
  // A click moves the focus to the button first, so the box shows its placeholder again.
  handlers.focus_entered(Control::编辑框_网址);
  handlers.focus_left(Control::编辑框_网址);
  handlers.add_url_clicked();
  EXPECT_EQ(fake.messages().size(), 1u);
  EXPECT_EQ(fake.list_row_count(Control::超级列表框1), 0);
}

// --- Monitor switch ---------------------------------------------------------------------

class SwitchTest : public HandlersTest {
 protected:
  const Text kOff = gbk(u"监控[点我开启]");
  const Text kOn = gbk(u"监控[点我关闭]");
  const Text kNoInterval = gbk(u"请先输入监控频率，单位为秒！");
  const Text kNoRows = gbk(u"请先添加网址，在开启监控！");

  void add_rows(int n) {
    for (int i = 0; i < n; ++i) {
      fake.FakeRuntime::set_control_text(Control::编辑框_网址, "http://h" + std::to_string(i) + "/");
      handlers.add_url_clicked();
    }
  }
  void set_interval(const Text& t) { fake.FakeRuntime::set_control_text(Control::编辑框_频率, t); }
  int period() { return fake.get_timer_period(Control::时钟_监控); }
  Text caption() { return text(Control::按钮_监控); }
};

TEST_F(SwitchTest, OnWithIntervalAndRowsSetsPeriodCaptionAndResetsPassCount) {
  add_rows(2);
  set_interval("10");
  state.pass_count = 7;
  fake.status_set_part_text(Control::状态条1, 1, "7");
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(caption(), kOn);
  EXPECT_EQ(period(), 10000);
  EXPECT_EQ(state.pass_count, 0);
  EXPECT_EQ(fake.status_part(1), "7");  // the bar keeps its number until the next pass ends
  EXPECT_TRUE(fake.messages().empty());
  EXPECT_EQ(timer_calls, 0);  // the first pass waits for the first period

  handlers.toggle_monitor_clicked();
  EXPECT_EQ(caption(), kOff);
  EXPECT_EQ(period(), 0);
  EXPECT_FALSE(fake.timer_running());

  // Off and on again with the same interval restarts the timer.
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(period(), 10000);
  EXPECT_EQ(fake.timer_restarts(), 2);
}

TEST_F(SwitchTest, OnWithoutIntervalShowsMessageAndStaysOff) {
  add_rows(1);
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(fake.messages(), std::vector<Text>{kNoInterval});
  EXPECT_EQ(caption(), kOff);
  EXPECT_EQ(period(), 0);
}

TEST_F(SwitchTest, OnWithEmptyListShowsMessageAndStaysOff) {
  set_interval("10");
  state.pass_count = 3;
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(fake.messages(), std::vector<Text>{kNoRows});
  EXPECT_EQ(caption(), kOff);
  EXPECT_EQ(period(), 0);
  EXPECT_EQ(state.pass_count, 3);
}

TEST_F(SwitchTest, IntervalTestComesBeforeTheListTest) {
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(fake.messages(), std::vector<Text>{kNoInterval});
}

TEST_F(SwitchTest, OffWithoutIntervalShowsMessageAndMonitoringGoesOn) {
  add_rows(1);
  set_interval("30");
  handlers.toggle_monitor_clicked();
  set_interval(gbk(u"频率/s"));
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(fake.messages(), std::vector<Text>{kNoInterval});
  EXPECT_EQ(caption(), kOn);
  EXPECT_EQ(period(), 30000);
  EXPECT_TRUE(fake.timer_running());
}

TEST_F(SwitchTest, ChangingTheIntervalWhileOnChangesNothingUntilSwitchedAgain) {
  add_rows(1);
  set_interval("30");
  handlers.toggle_monitor_clicked();
  set_interval("40");
  EXPECT_EQ(period(), 30000);
  handlers.toggle_monitor_clicked();
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(period(), 40000);
}

struct PeriodCase {
  const char* name;
  Text interval;
  int period;
};

class PeriodTest : public SwitchTest, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(PeriodTest, IntervalTimesThousandWithinTheTimersRange) {
  const PeriodCase& c = GetParam();
  EXPECT_EQ(timer_period_for_interval(c.interval), c.period);
  add_rows(1);
  set_interval(c.interval);
  handlers.toggle_monitor_clicked();
  EXPECT_EQ(period(), c.period);
  EXPECT_EQ(caption(), kOn);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, PeriodTest,
    ::testing::Values(
        PeriodCase{"ten", "10", 10000},
        PeriodCase{"five", "5", 5000},
        PeriodCase{"leading blanks", " 60", 60000},
        PeriodCase{"full-width digits", gbk(u"１０"), 10000},
        PeriodCase{"largest that fits", "2147483", 2147483000},
        // The low 32 bits of 2147484000 are negative: the timer would never run.
        PeriodCase{"just beyond int32", "2147484", 2147483647},
        // 4294968000 wraps to 704 ms: a check storm instead of a check every 50 days.
        PeriodCase{"wraps to short", "4294968", 2147483647},
        // 4294967000 wraps to -1296: stopped while the caption says on.
        PeriodCase{"wraps to negative", "4294967", 2147483647},
        PeriodCase{"int32 max seconds", "2147483647", 2147483647},
        PeriodCase{"beyond int64", "99999999999999999999999", 2147483647},
        PeriodCase{"negative beyond int32", "-3000000", 2147483647}),
    CaseName());

// --- Timer and close --------------------------------------------------------------------

TEST_F(HandlersTest, TimerEventRunsTheMonitorEntryPoint) {
  handlers.timer_fired();
  handlers.timer_fired();
  EXPECT_EQ(timer_calls, 2);
  MainWindowHandlers without_monitor(fake, state, nullptr);
  without_monitor.timer_fired();  // nothing to run yet: no crash
  EXPECT_EQ(timer_calls, 2);
}

TEST_F(HandlersTest, ImportAndCloseReachTheListFile) {
  testing_support::TempDir dir;
  const Text path = dir.file("list.txt");
  ASSERT_TRUE(testing_support::write_whole_file(path, "a,b"));
  fake.answer_dialog_confirm(path);
  handlers.import_clicked();
  EXPECT_EQ(fake.list_column(1), (TextArray{"a", "b"}));

  handlers.window_destroying();
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
  EXPECT_EQ(testing_support::read_whole_file(path), bytes_from_text("a,b"));
}

}  // namespace
}  // namespace brimlow
