// What one handler costs, without a display (Google Benchmark).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "full_table.h"
#include "game/klimbor.h"
#include "game/module1.h"
#include "scores/frm_visualiser.h"
#include "scores/posix_file_system.h"
#include "scores/score_recording.h"
#include "scores/score_slot.h"
#include "scores/score_store.h"
#include "ui/headless_system.h"

namespace {

namespace fs = std::filesystem;

// A full table of 30 places, scores 3000 down to 100, in a fresh folder.
struct FullTable {
  // In the working folder rather than /tmp, which may live in memory and flush for free.
  FullTable() {
    std::string pattern = (fs::current_path() / "klimbor-bench-XXXXXX").string();
    folder = mkdtemp(pattern.data());
    path = folder / "scores klimbor";
    std::ofstream(path, std::ios::binary) << full_table_bytes();
  }
  ~FullTable() { fs::remove_all(folder); }
  fs::path folder, path;
};

void GameTick(benchmark::State& state) {
  Module1::reset();
  ui::HeadlessSystem sys;
  game::Klimbor k(sys, [](game::Klimbor&) {});
  sys.show(k);
  sys.advance(3000);
  Module1::player_dx = 0;
  for (auto _ : state) {
    k.Timer1_Timer();
    // Back down the track before anyone arrives: every tick is a plain one.
    if (k.ar2(0).Top < 1000) k.ar1(0).Top = k.ar2(0).Top = 3960;
  }
}
BENCHMARK(GameTick);

void AnimationTick(benchmark::State& state) {
  Module1::reset();
  ui::HeadlessSystem sys;
  game::Klimbor k(sys, [](game::Klimbor&) {});
  sys.show(k);
  sys.advance(3000);
  for (auto _ : state) k.Timer2_Timer();
}
BENCHMARK(AnimationTick);

void ViewerRefreshOfAFullTable(benchmark::State& state) {
  FullTable table;
  scores::PosixFileSystem files;
  scores::ScoreStore store(files, table.path);
  ui::HeadlessSystem sys;
  scores::frm_visualiser viewer(sys, store);
  sys.show(viewer);
  for (auto _ : state) viewer.Timer1_Timer();
}
BENCHMARK(ViewerRefreshOfAFullTable);

// A score above all 30: 30 places read, 30 written, one atomic replace with its flushes.
void record_at_place_1(benchmark::State& state, std::unique_ptr<scores::PosixCalls> calls) {
  FullTable table;
  scores::PosixFileSystem files(std::move(calls));
  scores::ScoreStore store(files, table.path);
  ui::HeadlessSystem sys;
  scores::ScoreRecording recording(sys, store);
  game::Klimbor k(sys, [](game::Klimbor&) {});
  for (auto _ : state) {
    Module1::score = 30000;
    sys.answers = {"Rapide", "premier"};
    recording.record(k, k.Timer1);
  }
}

void RecordingAtPlace1(benchmark::State& state) {
  record_at_place_1(state, std::make_unique<scores::PosixCalls>());
}
BENCHMARK(RecordingAtPlace1)->Unit(benchmark::kMicrosecond);

// The same with fsync made a no-op: the difference is what the flushes cost on this disk.
class NoFlush : public scores::PosixCalls {
 public:
  int fsync(int) override { return 0; }
};

void RecordingAtPlace1WithoutFlushes(benchmark::State& state) {
  record_at_place_1(state, std::make_unique<NoFlush>());
}
BENCHMARK(RecordingAtPlace1WithoutFlushes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
