// The URL list's own share of importing and saving 100,000 addresses (about 3 MB), measured
// against the recording runtime, so the figures leave out the toolkit's drawing.
// Run: build-*/bench/url_list_bench

#include <benchmark/benchmark.h>

#include "shell/url_list.h"
#include "tests/support/fake_runtime.h"

namespace brimlow {
namespace {

using testing_support::FakeRuntime;
using testing_support::TempDir;

std::string address_file(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    text += "http://host" + std::to_string(i) + ".example.com/";
  }
  return text;
}

void BM_Import100k(benchmark::State& bench) {
  TempDir dir;
  const Text path = dir.file("list.txt");
  const std::string content = address_file(100000);
  testing_support::write_whole_file(path, content);
  for (auto _ : bench) {
    FakeRuntime fake;
    ProgramState state;
    fake.answer_dialog_confirm(path);
    import_url_file(fake, state);
    benchmark::DoNotOptimize(fake.list_row_count(Control::超级列表框1));
  }
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations()) *
                          static_cast<int64_t>(content.size()));
}
BENCHMARK(BM_Import100k)->Unit(benchmark::kMillisecond);

void BM_Save100k(benchmark::State& bench) {
  TempDir dir;
  const Text path = dir.file("list.txt");
  testing_support::write_whole_file(path, address_file(100000));
  FakeRuntime fake;
  ProgramState state;
  fake.answer_dialog_confirm(path);
  import_url_file(fake, state);
  for (auto _ : bench) save_url_list(fake);  // the fake's end_program returns
}
BENCHMARK(BM_Save100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brimlow

BENCHMARK_MAIN();
