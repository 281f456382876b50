// What the recovery copy costs: the window's side of a change (handing the text over) and
// one write of the copy to the disk, which happens on the writer's thread.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "core/RecoverySlot.h"
#include "core/RecoveryWriter.h"

namespace {

const std::string kSong =
    "SCORE=" + std::string(576, '9') + "\r\nTEMPO=250\r\nLOOP=FALSE\r\nEND=97\r\nTIME44=TRUE\r\n";

// A folder beside the copies of whoever runs it (on the disk a user's copy goes to, where
// no start looks for copies), or the folder named in POMVIK_BENCH_FOLDER.
std::filesystem::path Folder() {
  const char* named = std::getenv("POMVIK_BENCH_FOLDER");
  return named ? std::filesystem::path(named) : TRecoverySlot::Folder() / "benchmark";
}

void BM_HandOverAChange(benchmark::State& state) {
  TRecoveryWriter writer(Folder(), std::nullopt, std::chrono::hours(1));
  for (auto _ : state) writer.Keep(kSong);
}
BENCHMARK(BM_HandOverAChange);

void BM_WriteTheCopy(benchmark::State& state) {
  TRecoverySlot slot = TRecoverySlot::Create(Folder());
  for (auto _ : state) slot.Write(kSong);
  slot.Remove();
  std::error_code ignored;
  std::filesystem::remove(Folder(), ignored);  // only when empty
}
BENCHMARK(BM_WriteTheCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
