// The fake's own rules that the handler and monitor tests lean on: the timer, the dialog
// script, event dispatch and end_program. A fake that got these wrong would let faulty
// handlers pass.

#include "tests/support/fake_runtime.h"

#include <gtest/gtest.h>

#include "http/text_helpers.h"

namespace brimlow::testing_support {
namespace {

TEST(FakeRuntimeTimer, SameValueDoesNothingChangedPositiveRestartsNonPositiveStops) {
  FakeRuntime fake;
  EXPECT_EQ(fake.get_timer_period(Control::时钟_监控), 0);
  EXPECT_FALSE(fake.timer_running());

  fake.set_timer_period(Control::时钟_监控, 10000);
  EXPECT_TRUE(fake.timer_running());
  EXPECT_EQ(fake.timer_restarts(), 1);

  fake.set_timer_period(Control::时钟_监控, 10000);  // same value: the count goes on
  EXPECT_EQ(fake.timer_restarts(), 1);

  fake.set_timer_period(Control::时钟_监控, 5000);
  EXPECT_EQ(fake.timer_restarts(), 2);
  EXPECT_EQ(fake.get_timer_period(Control::时钟_监控), 5000);

  fake.set_timer_period(Control::时钟_监控, -3);
  EXPECT_FALSE(fake.timer_running());
  EXPECT_EQ(fake.get_timer_period(Control::时钟_监控), -3);
  fake.set_timer_period(Control::时钟_监控, 0);
  EXPECT_FALSE(fake.timer_running());
  EXPECT_EQ(fake.timer_restarts(), 2);
}

TEST(FakeRuntimeDialog, ConfirmSetsTheNameCancelAndUnscriptedKeepIt) {
  FakeRuntime fake;
  EXPECT_EQ(fake.get_dialog_file_name(Control::通用对话框1), "*.txt");

  fake.answer_dialog_cancel();
  fake.answer_dialog_confirm("/tmp/list.txt");
  EXPECT_FALSE(fake.run_file_dialog(Control::通用对话框1));
  EXPECT_EQ(fake.get_dialog_file_name(Control::通用对话框1), "*.txt");
  EXPECT_TRUE(fake.run_file_dialog(Control::通用对话框1));
  EXPECT_EQ(fake.get_dialog_file_name(Control::通用对话框1), "/tmp/list.txt");

  EXPECT_FALSE(fake.run_file_dialog(Control::通用对话框1));
  EXPECT_EQ(fake.get_dialog_file_name(Control::通用对话框1), "/tmp/list.txt");
  EXPECT_EQ(fake.dialog_runs(), 3);
  EXPECT_EQ(fake.unscripted_dialogs(), 1);
}

TEST(FakeRuntimeStart, HoldsTheMainWindowsStartContents) {
  FakeRuntime fake;
  EXPECT_EQ(fake.get_control_text(Control::编辑框_网址), gbk(u"网址"));
  EXPECT_EQ(fake.get_control_text(Control::编辑框_频率), gbk(u"频率/s"));
  EXPECT_EQ(fake.get_control_text(Control::编辑框_POST), gbk(u"POST专用"));
  EXPECT_EQ(fake.get_control_text(Control::编辑框_邮箱), gbk(u"邮箱"));
  EXPECT_EQ(fake.get_control_text(Control::按钮_监控), gbk(u"监控[点我开启]"));
  EXPECT_EQ(fake.get_selection(Control::组合框1), 0);
  EXPECT_EQ(fake.get_control_text(Control::组合框1), "GET");
  EXPECT_EQ(fake.list_row_count(Control::超级列表框1), 0);
  EXPECT_EQ(fake.status_part(0), gbk(u"监控次数："));
  EXPECT_EQ(fake.status_part(1), "");
  fake.status_set_part_text(Control::状态条1, 2, "ignored");  // a part the bar lacks
  EXPECT_EQ(fake.status_part(2), "");
}

TEST(FakeRuntimeEvents, PumpDrainsEventsQueuedMeanwhileAndStopsOnceEnded) {
  FakeRuntime fake;
  std::vector<int> order;
  fake.register_exit_cleanup([&] { order.push_back(100); });
  fake.queue_event([&] {
    order.push_back(1);
    fake.queue_event([&] { order.push_back(2); });
  });
  fake.pump_pending_events();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));

  fake.queue_event([&] { fake.end_program(0); });
  fake.queue_event([&] { order.push_back(3); });  // never runs: the process has ended
  fake.pump_pending_events();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 100}));
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});

  fake.end_program(1);  // the product never gets here; the fake runs no clean-up twice
  EXPECT_EQ(fake.cleanups_run(), 1);
}

TEST(FakeRuntimeFiles, ReadOnlyAndMissingFolderSavesFailAndTouchNothing) {
  TempDir dir;
  FakeRuntime fake;
  const Text path = dir.file("list.txt");
  ASSERT_TRUE(write_whole_file(path, "old"));
  fake.mark_read_only(path);
  EXPECT_FALSE(fake.save_file_bytes(path, bytes_from_text("new")));
  EXPECT_EQ(fake.load_file_bytes(path), bytes_from_text("old"));
  EXPECT_FALSE(fake.save_file_bytes(dir.file("gone/list.txt"), bytes_from_text("x")));
  EXPECT_TRUE(fake.load_file_bytes(dir.file("missing.txt")).empty());
  EXPECT_TRUE(fake.load_file_bytes("").empty());
  ASSERT_EQ(fake.saves().size(), 2u);
  EXPECT_FALSE(fake.saves()[1].succeeded);
}

}  // namespace
}  // namespace brimlow::testing_support
