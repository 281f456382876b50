#include "tests/soak/FormInvariants.h"

#include <QSlider>
#include <QTimer>

#include "app/Unit1.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/TempoDisplay.h"
#include "app/layout/ToolBar.h"
#include "core/Transport.h"
#include "tests/support/FormFixture.h"

namespace {
std::string Str(int value) { return std::to_string(value); }

std::string BrokenSong(const TSong& song) {
  for (int c = 1; c <= ColumnCount; ++c) {
    int occupied = 0;
    for (int r = 1; r <= RowCount; ++r) {
      const int32_t cell = song.Cell(r, c);
      if (cell < 0 || cell > NoteSoundCount)
        return "cell " + Str(r) + "," + Str(c) + " holds " + Str(cell);
      occupied += cell != 0 ? 1 : 0;
    }
    const int32_t count = song.ColumnNoteCount[static_cast<std::size_t>(c)];
    if (count != occupied || count > MaxNotesPerColumn)
      return "column " + Str(c) + " counts " + Str(count) + " notes in " + Str(occupied) + " cells";
  }
  if (song.EndColumn < 1 || song.EndColumn > WholeSongEnd)
    return "EndColumn is " + Str(song.EndColumn);
  return {};
}

std::string BrokenTools(const TForm1& f, const TFormControls& c) {
  const bool erasing = c.EraserBtn->isChecked();
  int down = erasing ? 1 : 0;
  for (int n = 1; n <= PaletteButtonCount; ++n) down += SoundButton(f, n).isChecked() ? 1 : 0;
  if (down != 1) return Str(down) + " tools are down";
  if (c.EraserBtn->ImageIndex() != (erasing ? EtcPicture::EraserDown : EtcPicture::EraserUp))
    return "the eraser's picture";
  return {};
}

std::string BrokenPlayer(const TForm1& f, const TFormControls& c) {
  const bool playing = f.Playing();
  if (playing != c.Timer->isActive()) return "Playing is not whether the timer runs";
  // It comes when the next tick is heard, never later than a tick at the tempo.
  if (c.Timer->interval() > IntervalFromTempo(c.TempoBar->value()))
    return "the timer waits longer than a tick";
  if (c.PlayBtn->isChecked() != playing || c.StopBtn->isChecked() == playing)
    return "the play and stop buttons are not down as they should be";
  if (c.PlayBtn->ImageIndex() !=
          (playing ? PlayerPicture::PlayPlaying : PlayerPicture::PlayStopped) ||
      c.StopBtn->ImageIndex() !=
          (playing ? PlayerPicture::StopPlaying : PlayerPicture::StopStopped))
    return "the play and stop pictures";
  if (c.LoopBtn->ImageIndex() !=
      (c.LoopBtn->isChecked() ? PlayerPicture::LoopDown : PlayerPicture::LoopUp))
    return "the loop picture";
  return {};
}

// The document owns the settings; the controls only show them.
std::string BrokenSettings(const TForm1& f, const TFormControls& c) {
  const TSongSettingsValues& settings = f.Document().Settings();
  if (c.TempoBar->value() != settings.Tempo) return "the slider does not show the song's tempo";
  if (c.TempoBar->toolTip() != TTempoDisplay::Text(settings.Tempo))
    return "the slider's tooltip does not read the song's tempo";
  if (c.LoopBtn->isChecked() != settings.Loop) return "the loop button does not show the loop";
  if (c.TimeBtn44->isChecked() != settings.Time44)
    return "the time buttons do not show the time signature";
  return {};
}

std::string BrokenTime(const TFormControls& c) {
  const bool four = c.TimeBtn44->isChecked();
  if (four == c.TimeBtn34->isChecked()) return "both or neither time signature down";
  if (c.TimeBtn44->ImageIndex() != (four ? EtcPicture::Time44Down : EtcPicture::Time44Up) ||
      c.TimeBtn34->ImageIndex() != (four ? EtcPicture::Time34Up : EtcPicture::Time34Down))
    return "the time signature pictures";
  return {};
}
}  // namespace

std::string BrokenInvariant(TForm1& f) {
  const TFormControls c = FindControls(f);
  for (const std::string& broken : {BrokenSong(f.Song()), BrokenTools(f, c), BrokenPlayer(f, c),
                                    BrokenSettings(f, c), BrokenTime(c)})
    if (!broken.empty()) return broken;
  return {};
}
