// The cost of one note on the real layer: a fresh duplicate, a frequency, a start.
#include <benchmark/benchmark.h>

#include "sound/ddsd/ddsd.h"
#include "tests/sound_test_support.h"

namespace {

void BM_OneNote(benchmark::State& state) {
  soundtest::TempDir dir;
  TDDSD component(nullptr);
  component.setOfflineMixRate(44100);
  component.Loaded();
  component.SetPrimaryFormat(23160, 16, true);
  TDDSDWaveData wave(&component, dir.Write("n.wav", soundtest::SineWav(440, 22050, 0.5)));
  TDDSDChannel* channel = component.Channels(1);
  std::vector<float> mix(2 * 256);
  for (auto _ : state) {
    channel->setWaveData(&wave);
    channel->SetFrequencyRatio(1.414);
    channel->Play();
    state.PauseTiming();
    component.DirectSound()->RenderOffline(mix.data(), 256);  // let the mixer take it up
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OneNote)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
