// The main window's transport: Play, Stop, the tempo, the loop and the timer.
//
// The sequencer always plays, on the audio clock: on the sound component's device, or,
// when the component has none, on a null output paced by the monotonic clock, so that the
// figure still walks through the song in silence. The timer only draws: it comes when the
// next tick is heard and shows it.
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/FormSongSettings.h"
#include "app/Unit1.h"
#include "app/layout/Image.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/ToolBar.h"
#include "core/ScoreGeometry.h"
#include "core/Sequencer.h"
#include "sound/ddsd/ddsd.h"
#include "sound/stream/null_output.h"

// Until the sound starts, and for good without a device, the sequencer runs on the clock.
void TForm1::StartSequencer() {
  if (Playing()) StopBtnClick();
  sequencer_.reset();
  sequencer_ = DDSD1->Available()
                   ? std::make_unique<TSequencer>(*DDSD1, WaveBank)
                   : std::make_unique<TSequencer>(*DDSD1, WaveBank, MakeNullOutput());
  sequencer_->SetLoop(Document().Settings().Loop);
}

bool TForm1::Playing() const { return sequencer_ && sequencer_->Playing(); }

void TForm1::PlayBtnClick() {
  // Shift+click plays from the first column wholly in view.
  PlayFrom(PlayBtn->ClickModifiers().testFlag(Qt::ShiftModifier)
               ? FirstWhollyVisibleColumn(ScrollBar->value())
               : 1);
}

void TForm1::PlayFrom(int32_t FirstColumn) {
  PlayBtn->setImageIndex(PlayerPicture::PlayPlaying);
  StopBtn->setImageIndex(PlayerPicture::StopPlaying);
  if (Playing()) return;  // a second Play keeps the position
  Position.Rewind(FirstColumn);
  const int interval = IntervalFromTempo(Document().Settings().Tempo);
  sequencer_->Play({Song(), interval, Document().Settings().Loop, FirstColumn});
  Timer->start(interval);  // the first tick is heard an interval from now, and a little
  ShowHistoryState();
}

void TForm1::StopBtnClick() {
  Timer->stop();
  if (sequencer_) sequencer_->Stop();
  StopBtn->setImageIndex(PlayerPicture::StopStopped);
  PlayBtn->setImageIndex(PlayerPicture::PlayStopped);
  ShowHistoryState();
}

// The user's moves only: a song's tempo reaches the slider with its signals blocked.
void TForm1::TempoBarChange() {
  Document().SetTempo(TempoBar->value());
  if (!TempoBar->isSliderDown()) tempoRunEnd_->start();
}

void TForm1::LoopBtnClick() {
  Document().SetLoop(LoopBtn->isChecked());
  DrawScore(-1, -1, -1);
}

// The controls show the document's settings and the transport plays them, whoever changed
// them: the user, undo and redo, or a song read in.
void TForm1::ShowSongSettings() {
  const TSongSettingsValues& settings = Document().Settings();
  ShowSettingsOnControls(*this, settings);
  if (settings.Tempo != timed_.Tempo) {
    const int interval = IntervalFromTempo(settings.Tempo);
    Timer->setInterval(interval);
    if (sequencer_) sequencer_->SetInterval(interval);
  }
  if (settings.Loop != timed_.Loop && sequencer_) sequencer_->SetLoop(settings.Loop);
  timed_ = settings;
}

// Ticks heard since the timer last came merge, as overdue timer ticks do: the latest is
// drawn and every one's end is kept, in order.
void TForm1::TimerTimer() {
  const int64_t heard = sequencer_->HeardFrame();
  const std::vector<TMixedTick> ticks = sequencer_->TakeTicksUpTo(heard);
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    if (i + 1 == ticks.size()) {
      Position.PlayTick = ticks[i].Tick.PlayTick;
      ShowTick();
    }
    Position = ticks[i].After;
    if (!FinishTick(ticks[i])) return;
  }
  const int interval = IntervalFromTempo(Document().Settings().Tempo);
  const std::optional<int64_t> next = sequencer_->NextTickFrame();
  Timer->start(next
                   ? std::clamp(MillisecondsUntil(*next, heard, sequencer_->MixRate()), 1, interval)
                   : interval);
}

// The figure on Position.PlayTick, with the view following it.
void TForm1::ShowTick() {
  if (Lite1->isChecked()) return;
  {
    // The redraw below shows the new position; one picture per tick is enough. The scroll
    // bar repaints only when the value really changes.
    const QSignalBlocker quiet(ScrollBar);
    ScrollBar->setValue(ScrollPositionOfTick(Position.PlayTick));
  }
  DrawScore(-1, -1, -1, true);
}

namespace {
QRect FigureRect(int32_t tick, int P) {
  return {FigureX(tick, P), FigureTop, FigureWidth, FigureHeight};
}
}  // namespace

// After a tick the picture differs from the one before only where the figure stood and
// stands, and by the scroll: the staff, its signs and notes move with the scroll bar, and
// the background is the same all along each row.
void TForm1::ShowPicture(bool tickOnly) {
  const TFigureShown now{Position.PlayTick, ScrollBar->value(), MainImage->size(),
                         MainImage->devicePixelRatioF()};
  const std::optional<TFigureShown> before = std::exchange(figureShown_, now);
  if (!tickOnly || !before || before->Size != now.Size || before->Scale != now.Scale) {
    drawBuffer_ = MainImage->SwapPicture(std::move(drawBuffer_));
    return;
  }
  const int P = now.ScrollPosition;
  drawBuffer_ =
      MainImage->SwapPicture(std::move(drawBuffer_), before->ScrollPosition - P,
                             QRegion(FigureRect(before->Tick, P)) + FigureRect(now.Tick, P));
}

bool TForm1::FinishTick(const TMixedTick& tick) {
  if (tick.Last) {
    StopBtn->click();
    StopBtn->setChecked(true);
    return false;
  }
  if (tick.Tick.End == TPassEnd::Looped) ScrollBar->setValue(0);
  return true;
}
