// The wx runtime's own rules: the timer's period and its one waiting event, nested
// delivery inside pump_pending_events, the file operations and the program's end.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>

#include "http/text_helpers.h"
#include "tests/shell/gui_fixture.h"
#include "tests/support/case_name.h"

namespace brimlow::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class GuiTimer : public MainWindowFixture {
 protected:
  void on_timer() override {
    ++calls_;
    if (depth_ > 0) {
      ++nested_calls_;
      return;
    }
    if (!pump_inside_) return;
    // Like a monitor pass: works for a while and lets queued events run meanwhile.
    ++depth_;
    const auto end = std::chrono::steady_clock::now() + 400ms;
    while (std::chrono::steady_clock::now() < end) {
      runtime_->pump_pending_events();
      std::this_thread::sleep_for(5ms);
    }
    --depth_;
  }

  // Lets time pass without dispatching anything, then dispatches what is queued once.
  void sleep_then_pump(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
    runtime_->pump_pending_events();
  }

  int calls_ = 0;
  int nested_calls_ = 0;
  int depth_ = 0;
  bool pump_inside_ = false;
};

TEST_F(GuiTimer, ElapsedPeriodsQueueOneEventAtMost) {
  runtime_->set_timer_period(Control::时钟_监控, 100);
  EXPECT_EQ(runtime_->get_timer_period(Control::时钟_监控), 100);
  sleep_then_pump(700ms);  // seven periods, one event
  EXPECT_EQ(calls_, 1);
  pump_for(500ms);
  EXPECT_GE(calls_, 3);  // and it keeps running
}

TEST_F(GuiTimer, ZeroOrNegativeStopsIt) {
  for (int stop : {0, -5}) {
    SCOPED_TRACE(stop);
    runtime_->set_timer_period(Control::时钟_监控, 20);
    pump_for(100ms);
    runtime_->set_timer_period(Control::时钟_监控, stop);
    EXPECT_EQ(runtime_->get_timer_period(Control::时钟_监控), stop);
    const int before = calls_;
    sleep_then_pump(100ms);
    pump_for(100ms);
    EXPECT_EQ(calls_, before);
  }
}

TEST_F(GuiTimer, SameValueKeepsTheCountAndAChangedValueRestartsIt) {
  runtime_->set_timer_period(Control::时钟_监控, 1000);
  std::this_thread::sleep_for(600ms);
  runtime_->set_timer_period(Control::时钟_监控, 1000);  // no restart: due 400 ms from now
  sleep_then_pump(600ms);
  EXPECT_EQ(calls_, 1);

  runtime_->set_timer_period(Control::时钟_监控, 0);
  runtime_->set_timer_period(Control::时钟_监控, 1000);
  std::this_thread::sleep_for(600ms);
  runtime_->set_timer_period(Control::时钟_监控, 1001);  // restart: due 1001 ms from now
  sleep_then_pump(600ms);
  EXPECT_EQ(calls_, 1);
}

TEST_F(GuiTimer, EventsFallingDueDuringTheHandlerRunNestedInItsPumps) {
  pump_inside_ = true;
  runtime_->set_timer_period(Control::时钟_监控, 30);
  wait_until([this] { return calls_ > 0 && depth_ == 0; });
  runtime_->set_timer_period(Control::时钟_监控, 0);
  EXPECT_GE(nested_calls_, 3);
}

// The file operations and the end of the program need no window.
class GuiRuntimeFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(start_wx());
    runtime_ = std::make_unique<WxRuntime>();
    folder_ = fs::temp_directory_path() /
              ("brimlow-files-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }

  static void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  int entries() const {
    return static_cast<int>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }
  Text text_path(const fs::path& path) const { return path.string(); }

  std::unique_ptr<WxRuntime> runtime_;
  fs::path folder_;
};

const Bytes kContent = {'a', ',', 0xC4, 0xE3, 0x00, 'b'};

TEST_F(GuiRuntimeFiles, SaveCreatesOrReplacesTheWholeFile) {
  const fs::path fresh = folder_ / "fresh.txt";
  EXPECT_TRUE(runtime_->save_file_bytes(text_path(fresh), kContent));
  EXPECT_EQ(read(fresh), std::string(kContent.begin(), kContent.end()));

  const fs::path old = folder_ / "old.txt";
  write(old, "a much longer earlier content");
  fs::permissions(old, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(runtime_->save_file_bytes(text_path(old), Bytes{'x'}));
  EXPECT_EQ(read(old), "x");
  // The replacement keeps the file's permissions, and no temporary file is left beside it.
  EXPECT_EQ(fs::status(old).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_TRUE(runtime_->save_file_bytes(text_path(old), Bytes{}));
  EXPECT_EQ(read(old), "");
  EXPECT_EQ(entries(), 2);
}

TEST_F(GuiRuntimeFiles, SaveNamesAreSpelledForTheFileSystemInUtf8) {
  const Text name = text_path(folder_) + "/" + gbk(u"列表.txt");
  EXPECT_TRUE(runtime_->save_file_bytes(name, Bytes{'1'}));
  EXPECT_EQ(read(folder_ / fs::u8path("列表.txt")), "1");
  EXPECT_EQ(runtime_->load_file_bytes(name), Bytes{'1'});
}

struct RefusedSave {
  const char* label;
  std::string relative;  // under the test folder; "" = the empty path
};

TEST_F(GuiRuntimeFiles, SaveRefusesAndWritesNothing) {
  const RefusedSave cases[] = {
      {"EmptyPath", ""},
      {"DialogPattern", "*.txt"},
      {"Wildcard", "list?.txt"},
      {"MissingFolder", "gone/list.txt"},
      {"Folder", "sub"},
  };
  fs::create_directories(folder_ / "sub");
  for (const RefusedSave& c : cases) {
    SCOPED_TRACE(c.label);
    const Text path = c.relative.empty() ? Text() : text_path(folder_ / c.relative);
    EXPECT_FALSE(runtime_->save_file_bytes(path, kContent));
    EXPECT_EQ(entries(), 1);  // only "sub"
  }
}

TEST_F(GuiRuntimeFiles, SaveThroughASymbolicLinkReplacesTheFileItPointsAt) {
  fs::create_directories(folder_ / "real");
  const fs::path real = folder_ / "real" / "list.txt";
  write(real, "old");
  const fs::path link = folder_ / "link.txt";
  fs::create_symlink(real, link);
  EXPECT_TRUE(runtime_->save_file_bytes(text_path(link), Bytes{'n', 'e', 'w'}));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(read(real), "new");
  EXPECT_EQ(entries(), 2);  // "real" and the link, no temporary left
}

TEST_F(GuiRuntimeFiles, ReadOnlyTargetIsLeftUntouched) {
  const fs::path locked = folder_ / "locked.txt";
  write(locked, "keep me");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(runtime_->save_file_bytes(text_path(locked), kContent));
  EXPECT_EQ(read(locked), "keep me");
  EXPECT_EQ(entries(), 1);
}

TEST_F(GuiRuntimeFiles, LoadGivesTheWholeContentOrNothing) {
  const fs::path file = folder_ / "bytes.bin";
  write(file, std::string(kContent.begin(), kContent.end()));
  EXPECT_EQ(runtime_->load_file_bytes(text_path(file)), kContent);
  EXPECT_TRUE(runtime_->load_file_bytes("").empty());
  EXPECT_TRUE(runtime_->load_file_bytes(text_path(folder_ / "missing.txt")).empty());
  EXPECT_TRUE(runtime_->load_file_bytes(text_path(folder_)).empty());
  EXPECT_TRUE(runtime_->load_file_bytes("*.txt").empty());
}

// The file dialog lists any entry that matches "*.txt", a named pipe included; choosing one
// must not block the window thread until some other process writes to it.
TEST_F(GuiRuntimeFiles, LoadOfANamedPipeGivesNothingAtOnce) {
  const fs::path pipe = folder_ / "pipe.txt";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  auto loaded = std::async(std::launch::async,
                           [&] { return runtime_->load_file_bytes(text_path(pipe)); });
  if (loaded.wait_for(5s) != std::future_status::ready) {
    // Unblock the reader so the test can end, then report the hang.
    const int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) close(writer);
    ADD_FAILURE() << "load_file_bytes blocked on a named pipe";
  }
  EXPECT_TRUE(loaded.get().empty());
}

TEST_F(GuiRuntimeFiles, ProgramDirectoryIsTheExecutablesFolder) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(runtime_->program_directory(), exe.parent_path().string());
}

TEST_F(GuiRuntimeFiles, EndProgramRunsTheCleanUpsInOrderOnce) {
  std::string order;
  int code = -1;
  runtime_->register_exit_cleanup([&] { order += "a"; });
  runtime_->register_exit_cleanup([&] { order += "b"; });
  runtime_->end_program_with([&](int exit_code) { code = exit_code; });
  runtime_->end_program(3);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(code, 3);
  runtime_->end_program(0);
  EXPECT_EQ(order, "ab");
}

TEST_F(GuiRuntimeFiles, DialogFileNameStartsAsThePattern) {
  EXPECT_EQ(runtime_->get_dialog_file_name(Control::通用对话框1), "*.txt");
  runtime_->answer_file_dialog_with([] { return std::optional<Text>(); });
  EXPECT_FALSE(runtime_->run_file_dialog(Control::通用对话框1));
  EXPECT_EQ(runtime_->get_dialog_file_name(Control::通用对话框1), "*.txt");
  runtime_->answer_file_dialog_with([] { return std::optional<Text>("/tmp/a.txt"); });
  EXPECT_TRUE(runtime_->run_file_dialog(Control::通用对话框1));
  EXPECT_EQ(runtime_->get_dialog_file_name(Control::通用对话框1), "/tmp/a.txt");
}

}  // namespace
}  // namespace brimlow::testing
