#include "app/Unit1.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QMenuBar>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "app/AfterFirstPaint.h"
#include "app/Application.h"
#include "app/Prompter.h"
#include "app/layout/ClientArea.h"
#include "app/layout/FormLayout.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/ToolBar.h"
#include "app/layout/WindowPlace.h"
#include "core/Audition.h"
#include "core/ColumnVoicing.h"
#include "core/NoteEditing.h"
#include "core/RecoveryWriter.h"
#include "core/SampleFolder.h"
#include "core/ScoreGeometry.h"
#include "core/Sequencer.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd.h"

const QString UntitledSongName = QStringLiteral("無題");

namespace {
const QString MissingSounds = QStringLiteral("サウンドファイルがありません。終了してください。");
constexpr QPoint StoredPosition(189, 385);  // where the stored layout places the window
}  // namespace

TForm1::TForm1(std::unique_ptr<TPrompter> prompter, int32_t offlineMixRate, QWidget* parent)
    : QMainWindow(parent),
      prompter_(prompter ? std::move(prompter) : std::make_unique<TPrompter>()) {
  BuildFormLayout(*this, *this);
  document_ = std::make_unique<TDocument>();
  ConnectHandlers();
  renderer_ = std::make_unique<TScoreRenderer>(ScorePictures());
  resize(TClientArea::DesignedWidth, TClientArea::DesignedHeight + menuBar()->sizeHint().height());
  PlaceOnScreen(*this, StoredPosition);
  DDSD1->setWindowHandle(static_cast<uintptr_t>(winId()));
  DDSD1->setOfflineMixRate(offlineMixRate);
  FormCreate();
  soundStart_ = new TAfterFirstPaint(*this, [this] { OpenSound(); });
}

TForm1::~TForm1() { FormDestroy(); }

// Handlers are attached once the stored values are in place, so building fires none.
void TForm1::ConnectHandlers() {
  connect(findChild<QButtonGroup*>(QStringLiteral("SoundsGroup")), &QButtonGroup::buttonClicked,
          this, &TForm1::SoundBtn1Click);
  connect(ScrollBar, &QScrollBar::valueChanged, this, &TForm1::ScrollBarChange);
  connect(TempoBar, &QSlider::valueChanged, this, &TForm1::TempoBarChange);
  connect(PlayBtn, &QToolButton::clicked, this, &TForm1::PlayBtnClick);
  connect(StopBtn, &QToolButton::clicked, this, &TForm1::StopBtnClick);
  connect(LoopBtn, &QToolButton::clicked, this, &TForm1::LoopBtnClick);
  connect(Timer, &QTimer::timeout, this, &TForm1::TimerTimer);
  connect(EraserBtn, &QToolButton::clicked, this, &TForm1::EraserBtnClick);
  connect(TimeBtn34, &QToolButton::clicked, this, &TForm1::TimeBtn34Click);
  connect(TimeBtn44, &QToolButton::clicked, this, &TForm1::TimeBtn44Click);
  connect(etcBtn1, &QToolButton::clicked, this, &TForm1::etcBtn1Click);
  connect(etcBtn2, &QToolButton::clicked, this, &TForm1::etcBtn2Click);
  connect(etcBtn3, &QToolButton::clicked, this, &TForm1::etcBtn3Click);
  connect(UndoBtn, &TToolButton::MouseDown, this, &TForm1::UndoBtnMouseDown);
  connect(UndoBtn, &TToolButton::MouseUp, this, &TForm1::UndoBtnMouseUp);
  connect(MainImage, &TImage::MouseDown, this, &TForm1::MainImageMouseDown);
  connect(MainImage, &TImage::MouseMove, this, &TForm1::MainImageMouseMove);
  connect(MainImage, &TImage::MouseLeave, this, &TForm1::MainImageMouseLeave);
  connect(MainImage, &TImage::MouseWheel, this, &TForm1::MainImageMouseWheel);
  // Space plays and stops wherever the focus is: the window's shortcut comes before a
  // focused control sees the key.
  auto* playStopKey = new QShortcut(QKeySequence(Qt::Key_Space), this);
  playStopKey->setObjectName(QStringLiteral("PlayStopKey"));
  playStopKey->setAutoRepeat(false);
  connect(playStopKey, &QShortcut::activated, this, &TForm1::PlayStopKeyActivated);
  auto* playFromHereKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Space), this);
  playFromHereKey->setObjectName(QStringLiteral("PlayFromHereKey"));
  playFromHereKey->setAutoRepeat(false);
  connect(playFromHereKey, &QShortcut::activated, this, &TForm1::PlayFromHereKeyActivated);
  connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
  connect(ExportAudio1, &QAction::triggered, this, [this] {
    try {
      ExportAudio1Click();
    } catch (...) {
      ReportCurrentException();
    }
  });
  ConnectDocumentHandlers();
  ConnectHistoryHandlers();
  ConnectComposeHandlers();
}

void TForm1::setPrompter(std::unique_ptr<TPrompter> prompter) { prompter_ = std::move(prompter); }

TScorePictures TForm1::ScorePictures() const {
  return {BGImage->Picture(),   ToonImage->Picture(),  CounterImage->Picture(),
          LineImage->Picture(), LoopFImage->Picture(), LoopLImage->Picture(),
          LastImage->Picture(), CLineImage->Picture(), SoundImages,
          PomvikImages};
}

void TForm1::FormCreate() {
  setAcceptDrops(true);
  dialogs_.setStartFolder(QDir::currentPath());
  StartSequencer();
  NewAction->trigger();
  for (int n = 1; n <= PaletteButtonCount; ++n) {
    auto* button = findChild<TToolButton*>(QStringLiteral("SoundBtn%1").arg(n));
    if (!button) throw std::runtime_error("SoundBtn" + std::to_string(n) + " is not a tool button");
    SoundButtons[static_cast<std::size_t>(n)] = button;
  }
}

void TForm1::StartSound() { soundStart_->Run(); }

// The device, its format and the samples, in the order the start has always had them.
void TForm1::OpenSound() {
  DDSD1->Loaded();
  DDSD1->SetPrimaryFormat(PrimaryFormatRate, PrimaryFormatBits, PrimaryFormatStereo);
  LoadWaveBank();
  StartSequencer();  // on the device now, when there is one
}

void TForm1::LoadWaveBank() {
  // A sample that could not be loaded leaves its sound silent; the user is told once, and
  // the standard error says which file and what is wrong with it, as it does for a sample
  // that plays damaged.
  const std::vector<TSampleProblem> problems = FillWaveBank(WaveBank, *DDSD1, ChosenSampleFolder());
  for (const TSampleProblem& problem : problems) LogFailure(problem.Text());
  if (std::ranges::any_of(problems, [](const TSampleProblem& p) { return !p.Plays; }))
    Prompter().Error(this, ApplicationTitle(), MissingSounds);
}

void TForm1::FormDestroy() {
  sequencer_.reset();  // it plays the samples
  FreeWaveBank(WaveBank);
}

void TForm1::closeEvent(QCloseEvent* event) {
  try {
    if (FormClose())
      event->accept();
    else
      event->ignore();  // a save begun at the question was cancelled
  } catch (...) {
    event->ignore();  // a save begun at the question failed: the window stays open
    ReportCurrentException();
  }
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TForm1::FormResize() { DrawScore(-1, -1, -1); }

void TForm1::ScrollBarChange() { DrawScore(-1, -1, -1); }

void TForm1::Exit1Click() { close(); }

void TForm1::DrawScore(int X, int Y, int Sound, bool tickOnly) {
  const TSongSettingsValues& settings = Document().Settings();
  const TScoreViewState state{&Song(),   ScrollBar->value(), settings.Loop, settings.Time44,
                              Playing(), Position.PlayTick,  SelectedSound, selection_.Range()};
  renderer_->Compose(drawBuffer_, MainImage->size(), MainImage->devicePixelRatioF(), state, X, Y,
                     Sound);
  ShowPicture(tickOnly);
  if (X != -1 || !state.Playing) figureShown_.reset();
  // The tool's icon stands in for the pointer; without it the pointer must show.
  const bool preview = X != -1;
  if (preview != previewShown_) MainImage->setCursor(preview ? Qt::BlankCursor : Qt::ArrowCursor);
  previewShown_ = preview;
}

void TForm1::StopForReplacement() {
  StopBtnClick();
  StopBtn->setChecked(true);
}

// Every command that replaces the song stops playback and offers to save first; it goes on
// only when the song may go.
bool TForm1::StartSongReplacement() {
  StopForReplacement();
  return ModifiedActionExecute();
}

void TForm1::NewActionExecute() {
  if (!StartSongReplacement()) return;
  Document().New();
  ShowNewSong();
}

void TForm1::ShowNewSong() { DrawScore(-1, -1, -1); }

// As a click on the button that is up would.
void TForm1::PlayStopKeyActivated() { (Playing() ? StopBtn : PlayBtn)->click(); }

// As Space, but starting as a Shift+click on Play does.
void TForm1::PlayFromHereKeyActivated() {
  if (Playing())
    StopBtn->click();
  else
    PlayBtn->ClickWith(Qt::ShiftModifier);
}

void TForm1::MainImageMouseLeave() {
  if (previewShown_) DrawScore(-1, -1, -1);  // no frame may stay behind where the pointer was
}

void TForm1::MainImageMouseWheel(Qt::KeyboardModifiers, QPoint Angle, QPoint Pixels, int X, int Y) {
  const int move = wheelScroll_.Pixels(Angle.x(), Angle.y(), Pixels.x(), Pixels.y());
  const int from = ScrollBar->value();
  {
    const QSignalBlocker quiet(ScrollBar);  // one picture for the move, drawn below
    ScrollBar->setValue(from + move);
  }
  if (ScrollBar->value() == from) return;
  // The pointer stays over the view, now over another cell: its preview follows.
  if (Playing())
    DrawScore(-1, -1, -1);
  else
    DrawScore(X, Y, SelectedSound);
}

void TForm1::SoundBtn1Click() {
  for (int n = 1; n <= PaletteButtonCount; ++n)
    if (SoundButtons[static_cast<std::size_t>(n)]->isChecked()) SelectedSound = n;
  Audition(*DDSD1, WaveBank, {TAudition::Palette, {SelectedSound, 1.0}});
  EraserBtn->setChecked(false);
  EraserBtn->setImageIndex(EtcPicture::EraserUp);
}

void TForm1::EraserBtnClick() {
  if (EraserBtn->isChecked()) {
    EraserBtn->setImageIndex(EtcPicture::EraserDown);
    SelectedSound = EraserSound;
    QButtonGroup* palette = SoundButtons[1]->group();
    palette->setExclusive(false);  // an exclusive group cannot release its last button
    for (int n = 1; n <= PaletteButtonCount; ++n)
      SoundButtons[static_cast<std::size_t>(n)]->setChecked(false);
    palette->setExclusive(true);
  } else {
    EraserBtn->setImageIndex(EtcPicture::EraserUp);
    SoundButtons[1]->setChecked(true);
    SelectedSound = 1;
  }
}

void TForm1::TimeBtn34Click() {
  Document().SetTime44(false);
  DrawScore(-1, -1, -1);
}

void TForm1::TimeBtn44Click() {
  Document().SetTime44(true);
  DrawScore(-1, -1, -1);
}

void TForm1::UndoBtnMouseDown() { UndoBtn->setImageIndex(EtcPicture::UndoHeld); }

void TForm1::UndoBtnMouseUp() { UndoBtn->setImageIndex(EtcPicture::UndoReleased); }

// The three spare buttons behave as a group that can also be released entirely; each
// one's "down" picture follows its "up" one.
void TForm1::ChooseEtcButton(TToolButton* clicked, int upImage) {
  if (!clicked->isChecked()) {
    clicked->setImageIndex(upImage);
    return;
  }
  clicked->setImageIndex(upImage + 1);
  const std::array<std::pair<TToolButton*, int>, 3> others = {{{etcBtn1, EtcPicture::Etc1Up},
                                                               {etcBtn2, EtcPicture::Etc2Up},
                                                               {etcBtn3, EtcPicture::Etc3Up}}};
  for (const auto& [button, up] : others) {
    if (button == clicked) continue;
    button->setChecked(false);
    button->setImageIndex(up);
  }
}

void TForm1::etcBtn1Click() { ChooseEtcButton(etcBtn1, EtcPicture::Etc1Up); }
void TForm1::etcBtn2Click() { ChooseEtcButton(etcBtn2, EtcPicture::Etc2Up); }
void TForm1::etcBtn3Click() { ChooseEtcButton(etcBtn3, EtcPicture::Etc3Up); }
