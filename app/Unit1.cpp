#include "app/Unit1.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include "app/Prompter.h"
#include "app/layout/FormLayout.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"
#include "core/NoteEditing.h"
#include "core/SampleBank.h"
#include "core/Transport.h"
#include "sound/ddsd.h"
#include "window/WinSize.h"

namespace {
const QString Untitled = QStringLiteral("無題");
const QString MissingSounds = QStringLiteral("サウンドファイルがありません。終了してください。");
constexpr int AuditionChannel = 0;
}  // namespace

TForm1::TForm1(std::unique_ptr<TPrompter> prompter, QWidget* parent)
    : QMainWindow(parent),
      prompter_(prompter ? std::move(prompter) : std::make_unique<TPrompter>()) {
  BuildFormLayout(*this);
  renderer_ = std::make_unique<TScoreRenderer>(ScorePictures());
  resize(385, 271 + menuBar()->sizeHint().height());
  move(189, 385);
  DDSD1->Loaded();
  FormCreate();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::setPrompter(std::unique_ptr<TPrompter> prompter) { prompter_ = std::move(prompter); }

TScorePictures TForm1::ScorePictures() const {
  return {BGImage->Picture(),   ToonImage->Picture(),  CounterImage->Picture(),
          LineImage->Picture(), LoopFImage->Picture(), LoopLImage->Picture(),
          LastImage->Picture(), CLineImage->Picture(), SoundImages,
          PomvikImages};
}

void TForm1::FormCreate() {
  setAcceptDrops(true);
  RowPitch = DefaultRowPitch;
  AltRowPitch = DefaultAltRowPitch;
  for (QFileDialog* dialog : {OpenDialog1, SaveDialog1}) dialog->setDirectory(QDir::currentPath());
  Playing = false;
  NewAction->trigger();
  DDSD1->SetPrimaryFormat(23160, 16, true);
  for (int n = 1; n <= PaletteButtonCount; ++n) {
    auto* button = findChild<TToolButton*>(QStringLiteral("SoundBtn%1").arg(n));
    if (!button) throw std::runtime_error("SoundBtn" + std::to_string(n) + " is not a tool button");
    SoundButtons[static_cast<std::size_t>(n)] = button;
  }
  LoadWaveBank();
}

void TForm1::LoadWaveBank() {
  // A sample that could not be read leaves its sound silent; the user is told once.
  const bool loaded = FillWaveBank(WaveBank, *DDSD1);
  if (!loaded || !WaveBankComplete(WaveBank, *DDSD1))
    Prompter().Error(this, ApplicationTitle(), MissingSounds);
}

void TForm1::FormDestroy() { FreeWaveBank(WaveBank); }

void TForm1::closeEvent(QCloseEvent* event) {
  ModifiedAction->trigger();  // the save question
  event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TForm1::FormResize() { DrawScore(-1, -1, -1); }

void TForm1::ScrollBarChange() { DrawScore(-1, -1, -1); }

void TForm1::Exit1Click() { close(); }

void TForm1::DrawScore(int X, int Y, int Sound) {
  const TScoreViewState state{
      &Song,   ScrollBar->value(), LoopBtn->isChecked(), TimeBtn44->isChecked(),
      Playing, PlayTick,           SelectedSound};
  renderer_->Compose(drawBuffer_, MainImage->size(), MainImage->devicePixelRatioF(), state, X, Y,
                     Sound);
  drawBuffer_ = MainImage->SwapPicture(std::move(drawBuffer_));
}

// Every command that replaces the song stops playback and offers to save first.
void TForm1::StartSongReplacement() {
  StopBtnClick();
  StopBtn->setChecked(true);
  ModifiedAction->trigger();
}

void TForm1::NewActionExecute() {
  StartSongReplacement();
  Song.EndColumn = WholeSongEnd;
  TempoBar->setValue(DefaultTempo);
  // Setting the value the slider already holds fires no change, so retime in any case.
  Timer->setInterval(IntervalFromTempo(TempoBar->value()));
  Song.Clear();
  SongFileName = Untitled;
  SongModified = false;
  DrawScore(-1, -1, -1);
}

void TForm1::StopBtnClick() {
  Timer->stop();
  Playing = false;
  StopBtn->setImageIndex(3);
  PlayBtn->setImageIndex(0);
}

void TForm1::TempoBarChange() {
  SongModified = true;
  Timer->setInterval(IntervalFromTempo(TempoBar->value()));
}

void TForm1::Audition(int wave, double ratio) {
  TDDSDChannel* channel = DDSD1->Channels(AuditionChannel);
  channel->Stop();
  channel->setWaveData(WaveBank[static_cast<std::size_t>(wave)].get());
  channel->SetFrequencyRatio(ratio);
  channel->Play();
}

void TForm1::MainImageMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
  if (Playing || Button != Qt::LeftButton) return;
  const int column = TScoreRenderer::HitColumn(ScrollBar->value(), X);
  const int row = TScoreRenderer::HitRow(Y);
  if (column < 1 || row < 1 || row > RowCount) return;

  if (SelectedSound < EndMarkerSound) {
    if (PlaceNote(Song, row, column, SelectedSound)) SongModified = true;
    const TNoteVoice voice = ChooseVoice(SelectedSound, row, RowPitch, AltRowPitch);
    Audition(voice.Wave, voice.Ratio);  // heard also when the cell did not change
  } else if (SelectedSound == EndMarkerSound) {
    Song.EndColumn = std::min(column, WholeSongEnd);
    SongModified = true;
    Audition(EndMarkerWave, 1.0);
  } else if (EraseNote(Song, row, column)) {
    SongModified = true;
    TDDSDChannel* channel = DDSD1->Channels(AuditionChannel);
    channel->setWaveData(WaveBank[EraserWave].get());
    channel->SetFrequencyRatio(1.0);
    channel->Stop();
    channel->Play();
  }
}

void TForm1::MainImageMouseMove(Qt::KeyboardModifiers, int X, int Y) {
  if (!Playing) DrawScore(X, Y, SelectedSound);
}

void TForm1::SoundBtn1Click() {
  for (int n = 1; n <= PaletteButtonCount; ++n)
    if (SoundButtons[static_cast<std::size_t>(n)]->isChecked()) SelectedSound = n;
  // The palette plays the sample at its own rate.
  TDDSDChannel* channel = DDSD1->Channels(AuditionChannel);
  channel->setWaveData(WaveBank[static_cast<std::size_t>(SelectedSound)].get());
  channel->Stop();
  channel->Play();
  EraserBtn->setChecked(false);
  EraserBtn->setImageIndex(0);
}

void TForm1::EraserBtnClick() {
  if (EraserBtn->isChecked()) {
    EraserBtn->setImageIndex(1);
    SelectedSound = EraserSound;
    QButtonGroup* palette = SoundButtons[1]->group();
    palette->setExclusive(false);  // an exclusive group cannot release its last button
    for (int n = 1; n <= PaletteButtonCount; ++n)
      SoundButtons[static_cast<std::size_t>(n)]->setChecked(false);
    palette->setExclusive(true);
  } else {
    EraserBtn->setImageIndex(0);
    SoundButtons[1]->setChecked(true);
    SelectedSound = 1;
  }
}

void TForm1::TimeBtn34Click() {
  TimeBtn34->setImageIndex(3);
  TimeBtn44->setImageIndex(4);
  SongModified = true;
  DrawScore(-1, -1, -1);
}

void TForm1::TimeBtn44Click() {
  TimeBtn34->setImageIndex(2);
  TimeBtn44->setImageIndex(5);
  SongModified = true;
  DrawScore(-1, -1, -1);
}

void TForm1::UndoBtnMouseDown() { UndoBtn->setImageIndex(13); }

void TForm1::UndoBtnMouseUp() { UndoBtn->setImageIndex(12); }

// The three spare buttons behave as a group that can also be released entirely.
void TForm1::ChooseEtcButton(TToolButton* clicked, int offImage) {
  if (!clicked->isChecked()) {
    clicked->setImageIndex(offImage);
    return;
  }
  clicked->setImageIndex(offImage + 1);
  const std::array<std::pair<TToolButton*, int>, 3> others = {
      {{etcBtn1, 6}, {etcBtn2, 8}, {etcBtn3, 10}}};
  for (const auto& [button, off] : others) {
    if (button == clicked) continue;
    button->setChecked(false);
    button->setImageIndex(off);
  }
}

void TForm1::etcBtn1Click() { ChooseEtcButton(etcBtn1, 6); }
void TForm1::etcBtn2Click() { ChooseEtcButton(etcBtn2, 8); }
void TForm1::etcBtn3Click() { ChooseEtcButton(etcBtn3, 10); }
