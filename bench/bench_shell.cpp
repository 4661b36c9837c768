// The real window with 100,000 addresses (about 3 MB): import and show, save, and the
// process's own memory (RssAnon) before and after. Needs a display:
//   GSETTINGS_BACKEND=memory xvfb-run -a build/bench/bench_shell

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <wx/app.h>
#include <wx/init.h>

#include "base/program_state.h"
#include "shell/main_window_handlers.h"
#include "shell/url_list.h"
#include "shell/wx_main_window.h"
#include "shell/wx_runtime.h"
#include "shell/wx_url_list_view.h"

namespace brimlow {
namespace {

constexpr int kRows = 100000;

class BenchApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// Anonymous resident memory of this process in MiB (the shared libraries and fonts that
// GTK maps are not counted).
double rss_anon_mib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("RssAnon:", 0) == 0) return std::stod(line.substr(8)) / 1024.0;
  }
  return -1;
}

std::string list_file() {
  static const std::string path = [] {
    const std::string p = "/tmp/brimlow-bench-" + std::to_string(getpid()) + ".txt";
    std::ofstream out(p, std::ios::binary);
    for (int i = 0; i < kRows; ++i) {
      if (i > 0) out << ',';
      out << "http://host" << i << ".example.com/";
    }
    return p;
  }();
  return path;
}

// One shown main window with the real handlers; the program's end is recorded, not done.
struct Window {
  Window() {
    handlers = std::make_unique<MainWindowHandlers>(runtime, state, [] {});
    runtime.attach_handlers(*handlers);
    runtime.answer_messages_with([](const Text&) {});
    runtime.answer_file_dialog_with([] { return std::optional<Text>(list_file()); });
    runtime.end_program_with([](int) {});
    runtime.show_main_window();
    settle();
  }
  ~Window() {
    if (MainWindow* window = runtime.main_window()) window->Destroy();
    settle();
  }
  void settle() {
    for (int i = 0; i < 20; ++i) {
      runtime.pump_pending_events();
      wxTheApp->ProcessIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // Import through the Import button's handler, then draw the list once.
  void import_and_show() {
    handlers->import_clicked();
    runtime.pump_pending_events();
    runtime.main_window()->url_list()->Update();
  }

  WxRuntime runtime;
  ProgramState state;
  std::unique_ptr<MainWindowHandlers> handlers;
};

// Not a timing, and first, before the other benchmarks have grown the heap: the process's RssAnon with the window idle, and after the import.
void BM_MemoryIdleThen100k(benchmark::State& bench) {
  for (auto _ : bench) {
    Window window;
    bench.counters["RssAnon_idle_MiB"] = rss_anon_mib();
    window.import_and_show();
    window.settle();
    bench.counters["RssAnon_100k_MiB"] = rss_anon_mib();
  }
}
BENCHMARK(BM_MemoryIdleThen100k)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ImportAndShow100k(benchmark::State& bench) {
  for (auto _ : bench) {
    bench.PauseTiming();
    auto window = std::make_unique<Window>();
    bench.ResumeTiming();
    window->import_and_show();
    bench.PauseTiming();
    if (window->runtime.list_row_count(Control::超级列表框1) != kRows) {
      bench.SkipWithError("wrong row count");
    }
    window.reset();
    bench.ResumeTiming();
  }
}
BENCHMARK(BM_ImportAndShow100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Save100k(benchmark::State& bench) {
  Window window;
  window.import_and_show();
  for (auto _ : bench) save_url_list(window.runtime);
}
BENCHMARK(BM_Save100k)->Unit(benchmark::kMillisecond)->Iterations(5);


}  // namespace
}  // namespace brimlow

int main(int argc, char** argv) {
  wxApp::SetInstance(new brimlow::BenchApp);
  int wx_argc = 1;
  if (!wxEntryStart(wx_argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "wx did not start (no display? run under xvfb-run)\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(brimlow::list_file().c_str());
  wxEntryCleanup();
  return 0;
}
