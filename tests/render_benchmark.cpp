// How fast a song becomes audio: starting the offline device with its samples, and the
// render itself of a song with three notes in every column at tempo 100 (57.6 s of music),
// written as WAVE. "x_realtime" is seconds of audio per second of work.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/Transport.h"
#include "tests/sound_test_support.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/AudioFileWriter.h"
#include "tools/render/SongRenderer.h"

namespace {

constexpr int kRate = 44100;

TRenderSong FullSong() {
  TRenderSong song;
  song.Settings.Tempo = MinTempo;
  for (int c = 1; c <= ColumnCount; ++c) {
    song.Song.Cell(c % 4 + 1, c) = c % 15 + 1;
    song.Song.Cell(c % 4 + 5, c) = (c + 5) % 15 + 1;
    song.Song.Cell(c % 4 + 10, c) = (c + 10) % 15 + 1;
    song.Song.ColumnNoteCount[static_cast<std::size_t>(c)] = 3;
  }
  return song;
}

void Warn(const std::string& problem) { throw std::runtime_error(problem); }

void BM_StartAndLoadSamples(benchmark::State& state) {
  for (auto _ : state) {
    TSongRenderer renderer(kRate, POMVIK_WAVES, Warn);
    benchmark::DoNotOptimize(renderer.Rate());
  }
}
BENCHMARK(BM_StartAndLoadSamples)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderFullSongToWave(benchmark::State& state) {
  const TRenderSong song = FullSong();
  soundtest::TempDir dir;
  TSongRenderer renderer(kRate, POMVIK_WAVES, Warn);
  int64_t frames = 0;
  for (auto _ : state) {
    TAtomicFile file(dir.path() / "song.wav");
    TAudioFileWriter writer(file, TOutputFormat::Wave, kRate);
    frames = renderer.Render(
        song, 1, [&](const float* mix, std::size_t count) { writer.Write(mix, count); });
    writer.Close();
  }
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / kRate,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderFullSongToWave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
