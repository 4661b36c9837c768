// Start-up order and shut-down through the close of the window.

#include "shell/program_start.h"

#include <gtest/gtest.h>

#include "shell/main_window_handlers.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::FakeRuntime;

// Notes what the program state and the clean-ups looked like when the window was shown.
class StartRecordingRuntime : public FakeRuntime {
 public:
  explicit StartRecordingRuntime(const ProgramState& state) : state_(state) {}
  void show_main_window() override {
    state_at_show = state_;
    cleanups_at_show = cleanups_registered();
    loop_ran_before_show = event_loop_runs() > 0;
    FakeRuntime::show_main_window();
  }
  ProgramState state_at_show;
  std::size_t cleanups_at_show = 0;
  bool loop_ran_before_show = false;

 private:
  const ProgramState& state_;
};

TEST(ProgramStart, InitialValuesThenCleanupThenWindowThenLoop) {
  ProgramState state;
  state.current_row = 4;
  state.failure_count = 2;
  state.pass_count = 9;
  state.last_status = "200 OK";
  state.imported_text = "a,b";
  state.imported_urls = {"a"};
  StartRecordingRuntime fake(state);

  EXPECT_EQ(program_start(fake, state), 0);
  EXPECT_EQ(fake.state_at_show.current_row, 0);
  EXPECT_EQ(fake.state_at_show.failure_count, 0);
  EXPECT_EQ(fake.state_at_show.pass_count, 0);
  EXPECT_EQ(fake.state_at_show.last_status, "");
  EXPECT_EQ(fake.state_at_show.imported_text, "");
  EXPECT_TRUE(fake.state_at_show.imported_urls.empty());
  EXPECT_EQ(fake.cleanups_at_show, 1u);
  EXPECT_FALSE(fake.loop_ran_before_show);
  EXPECT_EQ(fake.event_loop_runs(), 1);
  EXPECT_FALSE(fake.ended());  // the loop simply ran out: no save, no end
}

TEST(ProgramStart, ClosingTheWindowSavesAndEndsWithZeroRunningTheCleanupsInOrder) {
  ProgramState state;
  FakeRuntime fake;
  MainWindowHandlers handlers(fake, state, nullptr);
  std::vector<std::string> order;
  fake.queue_event([&] {
    state.last_status = "200 OK";
    state.imported_text = "a,b";
  });
  fake.queue_event([&] { handlers.window_destroying(); });
  fake.queue_event([&] { order.push_back("after close"); });  // never runs

  program_start(fake, state, [&] {
    order.push_back(state.last_status.empty() ? "more after exit_cleanup" : "more first");
  });
  EXPECT_EQ(fake.exit_codes(), std::vector<int>{0});
  EXPECT_EQ(order, std::vector<std::string>{"more after exit_cleanup"});
  EXPECT_EQ(state.imported_text, "");
  EXPECT_EQ(fake.cleanups_run(), 2);
}

TEST(ExitCleanup, ReleasesTheProgramWideTexts) {
  ProgramState state;
  state.last_status = std::string(1000, 'x');
  state.imported_text = std::string(1000, 'y');
  state.imported_urls = {"a", "b"};
  exit_cleanup(state);
  EXPECT_EQ(state.last_status.capacity(), Text().capacity());
  EXPECT_TRUE(state.imported_text.empty());
  EXPECT_EQ(state.imported_urls.capacity(), 0u);
}

}  // namespace
}  // namespace brimlow
