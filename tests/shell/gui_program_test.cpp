// The built program itself, on the test's display: driven with xdotool like a user (the
// real file dialog included), closed with Esc, and judged by its exit code and the file.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace brimlow::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string run_command(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
  }
  return output;
}

// The program as a child process in its own working folder; killed if a test leaves it.
class Program {
 public:
  explicit Program(const fs::path& working_folder) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(working_folder.c_str()) != 0) _exit(126);
      execl(BRIMLOW_PROGRAM, BRIMLOW_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Program() {
    if (pid_ > 0 && !exit_code_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return pid_ > 0; }

  // The program's visible top-level windows, main window first.
  std::vector<std::string> windows() const {
    std::istringstream lines(
        run_command("xdotool search --onlyvisible --pid " + std::to_string(pid_) + " 2>/dev/null"));
    std::vector<std::string> ids;
    for (std::string id; std::getline(lines, id);) {
      if (!id.empty()) ids.push_back(id);
    }
    return ids;
  }

  bool wait_for_windows(size_t count, std::chrono::milliseconds limit = 10s) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (windows().size() == count) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }

  // The exit code once the process ended, or nothing after `limit`.
  std::optional<int> wait_exit(std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exit_code_;
      }
      std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> exit_code_;
};

class GuiProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    folder_ = fs::temp_directory_path() /
              ("brimlow-program-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "run");
    program_.emplace(folder_ / "run");
    ASSERT_TRUE(program_->started());
    ASSERT_TRUE(program_->wait_for_windows(1)) << "the main window did not appear";
    window_ = program_->windows().front();
    xdo("windowfocus --sync " + window_);
    std::this_thread::sleep_for(300ms);
  }
  void TearDown() override {
    program_.reset();
    fs::remove_all(folder_);
  }

  void xdo(const std::string& arguments) {
    run_command("xdotool " + arguments + " 2>/dev/null");
    std::this_thread::sleep_for(150ms);
  }
  // A click at client pixels of the main window.
  void click(int x, int y) {
    xdo("mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y) +
        " click 1");
  }
  void type(const std::string& text) { xdo("type --delay 30 '" + text + "'"); }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path folder_;
  std::optional<Program> program_;
  std::string window_;
};

TEST_F(GuiProgram, EscWritesTheListChosenInTheFileDialogAndExitsWithZero) {
  const fs::path list = folder_ / "list.txt";
  std::ofstream(list, std::ios::binary) << "http://a/,http://b/";

  click(285, 24);  // 导入
  ASSERT_TRUE(program_->wait_for_windows(2)) << "the file dialog did not open";
  for (const std::string& id : program_->windows()) {
    if (id != window_) xdo("windowfocus --sync " + id);
  }
  std::this_thread::sleep_for(500ms);
  type(list.string());  // a typed "/" opens the dialog's location field
  xdo("key Return");
  ASSERT_TRUE(program_->wait_for_windows(1)) << "the file dialog did not close";

  click(60, 24);  // 编辑框_网址: "http://" appears, typing goes on after it
  type("c.example/");
  click(230, 24);  // 添加
  xdo("windowfocus --sync " + window_);
  xdo("key Escape");

  EXPECT_EQ(program_->wait_exit(), std::optional<int>(0));
  EXPECT_EQ(read(list), "http://a/,http://b/,http://c.example/");
}

TEST_F(GuiProgram, EscWithoutAChosenFileWritesNothingAnywhere) {
  click(60, 24);
  type("x.example/");
  click(230, 24);
  xdo("windowfocus --sync " + window_);
  xdo("key Escape");

  EXPECT_EQ(program_->wait_exit(), std::optional<int>(0));
  // Not even "*.txt" in the folder the program was started in.
  EXPECT_TRUE(fs::is_empty(folder_ / "run"));
}

}  // namespace
}  // namespace brimlow::testing
