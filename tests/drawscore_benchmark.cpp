// How long one full redraw of the score view takes: a song with three notes in every
// column, a few columns selected, the pointer over the view, at the designed width and as
// wide as a full-HD screen, at the shipped scale and on a 2x screen. The view sweeps the
// whole of its scroll range.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <memory>

#include "app/ScoreRenderer.h"
#include "app/layout/ImageList.h"
#include "core/ScoreGeometry.h"

namespace {

struct TViewFixture {
  TImageList sounds{QStringLiteral("SoundImages"), 16, 16, nullptr};
  TImageList walker{QStringLiteral("PomvikImages"), 16, 22, nullptr};
  TSong song;
  TScoreRenderer renderer{TScorePictures{
      LoadPicture(QStringLiteral("BGImage")), LoadPicture(QStringLiteral("ToonImage")),
      LoadPicture(QStringLiteral("CounterImage")), LoadPicture(QStringLiteral("LineImage")),
      LoadPicture(QStringLiteral("LoopFImage")), LoadPicture(QStringLiteral("LoopLImage")),
      LoadPicture(QStringLiteral("LastImage")), LoadPicture(QStringLiteral("CLineImage")), &sounds,
      &walker}};
  QImage target;

  TViewFixture() {
    for (int c = 1; c <= ColumnCount; ++c)
      for (int k = 0; k < 3; ++k) song.Cell(1 + (c + 5 * k) % RowCount, c) = 1 + (c + k) % 15;
  }
};

// Arguments: the screen's scale and the view's width.
void BM_DrawScore(benchmark::State& state) {
  const qreal scale = static_cast<qreal>(state.range(0));
  const int width = static_cast<int>(state.range(1));
  TViewFixture fx;
  TScoreViewState view{&fx.song, 0, true, true, true, 0, 1, TColumnRange{5, 12}};
  int P = 0;
  for (auto _ : state) {
    view.ScrollPosition = P;
    view.PlayTick = (P + 100) / 16;
    fx.renderer.Compose(fx.target, QSize(width, 144), scale, view, 200, 80, 1);
    benchmark::DoNotOptimize(fx.target.constBits());
    P = (P + 16) % (ScrollMaxFor(width) + 1);
  }
}
BENCHMARK(BM_DrawScore)
    ->ArgNames({"scale", "width"})
    ->Args({1, DesignedViewWidth})
    ->Args({1, 1920})
    ->Args({2, DesignedViewWidth})
    ->Args({2, 1920})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
