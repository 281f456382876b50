#include "app/layout/FormLayout.h"

#include <QButtonGroup>
#include <QMainWindow>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <array>

#include "app/layout/ClientArea.h"
#include "app/layout/FormControls.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/PixelArtIcon.h"
#include "app/layout/ScrollBar.h"
#include "app/layout/TempoDisplay.h"
#include "app/layout/ToolBar.h"
#include "core/ScoreGeometry.h"
#include "core/SongModel.h"
#include "core/Transport.h"
#include "sound/ddsd/ddsd.h"
#include "window/WinSize.h"

namespace {
TImage* HiddenPicture(QMainWindow& form, const QString& name) {
  auto* image = new TImage(&form);
  image->setObjectName(name);
  image->setPicture(LoadPicture(name));
  image->hide();
  return image;
}

QButtonGroup* Group(QMainWindow& form, const QString& name,
                    std::initializer_list<QAbstractButton*> buttons) {
  auto* group = new QButtonGroup(&form);
  group->setObjectName(name);
  for (QAbstractButton* b : buttons) group->addButton(b);
  return group;
}

TToolButton* CheckButton(TToolBar* bar, const QString& name, int image, bool down,
                         bool enabled = true) {
  TToolButton* b = bar->AddButton(name, image);
  b->setCheckable(true);
  b->setChecked(down);
  b->setEnabled(enabled);
  return b;
}

// What the palette's pictures show, for their tooltips; the last is the end-marker tool.
const std::array<const char*, PaletteButtonCount> PaletteNames = {
    "face",
    "mushroom",
    "little creature",
    "star",
    "flower",
    "handheld game",
    "dog",
    "cat",
    "pig",
    "goose",
    "baby",
    "aeroplane",
    "boat",
    "car",
    "heart",
    "end of the song (moves the end)"};
}  // namespace

void BuildFormLayout(QMainWindow& form, TFormControls& controls) {
  BuildPictures(form, controls);
  BuildControls(form, controls);
  BuildActionsAndMenus(form, controls);
  BuildComponents(form, controls);
}

void BuildPictures(QMainWindow& f, TFormControls& c) {
  c.CommonImages = new TImageList(QStringLiteral("CommonImages"), 16, 16, &f);
  c.PlayerImages = new TImageList(QStringLiteral("PlayerImages"), 16, 16, &f);
  c.etcImages = new TImageList(QStringLiteral("etcImages"), 16, 16, &f);
  c.SoundImages = new TImageList(QStringLiteral("SoundImages"), 16, 16, &f);
  c.PomvikImages = new TImageList(QStringLiteral("PomvikImages"), 16, 22, &f);
  c.BGImage = HiddenPicture(f, QStringLiteral("BGImage"));
  c.ToonImage = HiddenPicture(f, QStringLiteral("ToonImage"));
  c.CounterImage = HiddenPicture(f, QStringLiteral("CounterImage"));
  c.LineImage = HiddenPicture(f, QStringLiteral("LineImage"));
  c.LoopFImage = HiddenPicture(f, QStringLiteral("LoopFImage"));
  c.LoopLImage = HiddenPicture(f, QStringLiteral("LoopLImage"));
  c.LastImage = HiddenPicture(f, QStringLiteral("LastImage"));
  c.CLineImage = HiddenPicture(f, QStringLiteral("CLineImage"));
}

void BuildControls(QMainWindow& f, TFormControls& c) {
  f.setObjectName(QStringLiteral("Form1"));
  f.setWindowTitle(QStringLiteral("PomvikSequencer"));
  f.setWindowIcon(PixelArtIcon(LoadPicture(QStringLiteral("AppIcon"))));
  f.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  f.setFont(font);

  c.ControlBar1 = new TControlBar(QStringLiteral("ControlBar1"), &f);
  c.ToolBar1 = new TToolBar(QStringLiteral("ToolBar1"), QStringLiteral("ToolBar1"), c.CommonImages,
                            c.ControlBar1);
  c.NewBtn = c.ToolBar1->AddButton(QStringLiteral("NewBtn"), CommonPicture::New);
  c.OpenBtn = c.ToolBar1->AddButton(QStringLiteral("OpenBtn"), CommonPicture::Open);
  c.SaveBtn = c.ToolBar1->AddButton(QStringLiteral("SaveBtn"), CommonPicture::Save);
  c.SaveBtn->setFixedWidth(34);
  c.ToolBar1->AddSeparator(QStringLiteral("ToolButton27"));
  c.PasteBtn = c.ToolBar1->AddButton(QStringLiteral("PasteBtn"), CommonPicture::Import);
  c.ToolBar1->AddSeparator(QStringLiteral("ToolButton28"));
  c.OptionBtn = c.ToolBar1->AddButton(QStringLiteral("OptionBtn"), CommonPicture::Options);
  c.OptionBtn->setText(QStringLiteral("options(&O)"));
  c.OptionBtn->setEnabled(false);
  c.ControlBar1->AddBand(c.ToolBar1, {11, 2}, {142, 22});

  c.SoundsBar = new TToolBar(QStringLiteral("SoundsBar"), QStringLiteral("SoundsPallete"),
                             c.SoundImages, c.ControlBar1);
  auto* palette = new QButtonGroup(&f);
  palette->setObjectName(QStringLiteral("SoundsGroup"));
  for (int n = 1; n <= PaletteButtonCount; ++n) {
    TToolButton* b = CheckButton(c.SoundsBar, QStringLiteral("SoundBtn%1").arg(n),
                                 SoundPicture::Tool(n), n == 1);
    b->setToolTip(QString::fromLatin1(PaletteNames[static_cast<std::size_t>(n - 1)]));
    palette->addButton(b, n);
  }
  c.ControlBar1->AddBand(c.SoundsBar, {11, 28}, {368, 22});

  c.MainImage = new TImage(&f);
  c.MainImage->setObjectName(QStringLiteral("MainImage"));
  // As wide as the window lets it be, from the designed width to the widest that shows no
  // more than the song.
  c.MainImage->setFixedHeight(TClientArea::ViewHeight);
  c.MainImage->setMinimumWidth(TClientArea::ViewWidth);
  c.MainImage->setMaximumWidth(WidestView);
  c.MainImage->resize(TClientArea::ViewWidth, TClientArea::ViewHeight);
  c.MainImage->setCursor(Qt::BlankCursor);  // the tool's icon follows the pointer instead

  c.ScrollBar = new TScrollBar(Qt::Horizontal, &f);
  c.ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
  c.ScrollBar->setRange(0, ScrollMax);
  c.ScrollBar->setSingleStep(10);
  c.ScrollBar->setPageStep(20);
  c.ScrollBar->setValue(0);

  c.ControlBar2 = new TControlBar(QStringLiteral("ControlBar2"), &f);
  c.etcBar =
      new TToolBar(QStringLiteral("etcBar"), QStringLiteral("etcBar"), c.etcImages, c.ControlBar2);
  c.EraserBtn = CheckButton(c.etcBar, QStringLiteral("EraserBtn"), EtcPicture::EraserUp, false);
  c.etcBar->AddSeparator(QStringLiteral("ToolButton37"));
  c.TimeBtn34 = CheckButton(c.etcBar, QStringLiteral("TimeBtn34"), EtcPicture::Time34Up, false);
  c.TimeBtn44 = CheckButton(c.etcBar, QStringLiteral("TimeBtn44"), EtcPicture::Time44Down, true);
  Group(f, QStringLiteral("TimeGroup"), {c.TimeBtn34, c.TimeBtn44})->setExclusive(true);
  c.etcBar->AddSeparator(QStringLiteral("ToolButton38"));
  c.etcBtn1 = CheckButton(c.etcBar, QStringLiteral("etcBtn1"), EtcPicture::Etc1Up, false, false);
  c.etcBtn2 = CheckButton(c.etcBar, QStringLiteral("etcBtn2"), EtcPicture::Etc2Up, false, false);
  c.etcBtn3 = CheckButton(c.etcBar, QStringLiteral("etcBtn3"), EtcPicture::Etc3Up, false, false);
  c.etcBar->AddSeparator(QStringLiteral("ToolButton39"));
  c.EraserBtn->setToolTip(QStringLiteral("eraser"));
  c.TimeBtn34->setToolTip(QStringLiteral("3/4 time"));
  c.TimeBtn44->setToolTip(QStringLiteral("4/4 time"));
  c.UndoBtn = c.etcBar->AddButton(QStringLiteral("UndoBtn"), EtcPicture::UndoReleased);
  c.UndoBtn->setEnabled(false);
  c.ControlBar2->AddBand(c.etcBar, {11, 2}, {185, 22});

  c.PlayerBar = new TToolBar(QStringLiteral("PlayerBar"), QStringLiteral("PlayerBar"),
                             c.PlayerImages, c.ControlBar2);
  c.PlayBtn =
      CheckButton(c.PlayerBar, QStringLiteral("PlayBtn"), PlayerPicture::PlayStopped, false);
  c.StopBtn = CheckButton(c.PlayerBar, QStringLiteral("StopBtn"), PlayerPicture::StopStopped, true);
  Group(f, QStringLiteral("PlayerGroup"), {c.PlayBtn, c.StopBtn})->setExclusive(true);
  c.PlayerBar->AddSeparator(QStringLiteral("ToolButton1"));
  c.LoopBtn = CheckButton(c.PlayerBar, QStringLiteral("LoopBtn"), PlayerPicture::LoopUp, false);
  c.PlayerBar->AddSeparator(QStringLiteral("ToolButton16"));
  c.TempoBar = new QSlider(Qt::Horizontal, c.PlayerBar);
  c.TempoBar->setObjectName(QStringLiteral("TempoBar"));
  c.TempoBar->setFixedSize(120, 22);
  c.TempoBar->setRange(MinTempo, MaxTempo);
  c.TempoBar->setSingleStep(1);
  c.TempoBar->setTickPosition(QSlider::NoTicks);
  c.TempoBar->setValue(DefaultTempo);
  new TTempoDisplay(c.TempoBar);
  c.PlayBtn->setToolTip(
      QStringLiteral("play (Space); with Shift, from the first column wholly in view"));
  c.StopBtn->setToolTip(QStringLiteral("stop (Space)"));
  c.LoopBtn->setToolTip(QStringLiteral("loop"));
  c.PlayerBar->AddControl(c.TempoBar);
  c.ControlBar2->AddBand(c.PlayerBar, {11, 28}, {206, 22});

  f.setCentralWidget(new TClientArea(c.ControlBar1, c.MainImage, c.ScrollBar, c.ControlBar2, &f));
}

void BuildComponents(QMainWindow& f, TFormControls& c) {
  // Created running at its default interval; the start-up sequence stops and retimes it.
  c.Timer = new QTimer(&f);
  c.Timer->setObjectName(QStringLiteral("Timer"));
  c.Timer->setTimerType(Qt::PreciseTimer);
  c.Timer->setInterval(1000);
  c.Timer->start();

  c.DDSD1 = new TDDSD(&f);
  c.DDSD1->setObjectName(QStringLiteral("DDSD1"));
  c.DDSD1->setDebugOption(dsoHaltOnError);

  c.WinSize1 = new TWinSize(&f);
  c.WinSize1->setObjectName(QStringLiteral("WinSize1"));
  // The limits were outer sizes of another window system's frame; they keep their meaning:
  // the designed client area is the smallest, and it may grow 183 pixels taller.
  c.WinSize1->setClientSizes(true);
  c.WinSize1->setMinTrackSizeX(TClientArea::DesignedWidth);
  c.WinSize1->setMinTrackSizeY(TClientArea::DesignedHeight);
  c.WinSize1->setMaxTrackSizeY(TClientArea::DesignedHeight + 183);
}
