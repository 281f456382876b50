#include "app/layout/FormLayout.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

#include "app/Unit1.h"
#include "app/layout/ClientArea.h"
#include "app/layout/Image.h"
#include "app/layout/ImageList.h"
#include "app/layout/ToolBar.h"
#include "sound/ddsd.h"
#include "window/WinSize.h"

namespace {
TImage* HiddenPicture(TForm1& form, const QString& name) {
  auto* image = new TImage(&form);
  image->setObjectName(name);
  image->setPicture(LoadPicture(name));
  image->hide();
  return image;
}

QButtonGroup* Group(TForm1& form, const QString& name,
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

const QString FileFilter = QStringLiteral("pomviksequence(*.psq)");
}  // namespace

void BuildFormLayout(TForm1& form) {
  BuildPictures(form);
  BuildControls(form);
  BuildActionsAndMenus(form);
  BuildComponents(form);
}

void BuildPictures(TForm1& f) {
  f.CommonImages = new TImageList(QStringLiteral("CommonImages"), 16, 16, &f);
  f.PlayerImages = new TImageList(QStringLiteral("PlayerImages"), 16, 16, &f);
  f.etcImages = new TImageList(QStringLiteral("etcImages"), 16, 16, &f);
  f.SoundImages = new TImageList(QStringLiteral("SoundImages"), 16, 16, &f);
  f.PomvikImages = new TImageList(QStringLiteral("PomvikImages"), 16, 22, &f);
  f.BGImage = HiddenPicture(f, QStringLiteral("BGImage"));
  f.ToonImage = HiddenPicture(f, QStringLiteral("ToonImage"));
  f.CounterImage = HiddenPicture(f, QStringLiteral("CounterImage"));
  f.LineImage = HiddenPicture(f, QStringLiteral("LineImage"));
  f.LoopFImage = HiddenPicture(f, QStringLiteral("LoopFImage"));
  f.LoopLImage = HiddenPicture(f, QStringLiteral("LoopLImage"));
  f.LastImage = HiddenPicture(f, QStringLiteral("LastImage"));
  f.CLineImage = HiddenPicture(f, QStringLiteral("CLineImage"));
}

void BuildControls(TForm1& f) {
  f.setObjectName(QStringLiteral("Form1"));
  f.setWindowTitle(QStringLiteral("PomvikSequencer"));
  f.setWindowIcon(QIcon(QPixmap::fromImage(LoadPicture(QStringLiteral("AppIcon")))));
  f.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(12);
  f.setFont(font);

  f.ControlBar1 = new TControlBar(QStringLiteral("ControlBar1"), &f);
  f.ToolBar1 = new TToolBar(QStringLiteral("ToolBar1"), QStringLiteral("ToolBar1"), f.CommonImages,
                            f.ControlBar1);
  f.NewBtn = f.ToolBar1->AddButton(QStringLiteral("NewBtn"), 0);
  f.OpenBtn = f.ToolBar1->AddButton(QStringLiteral("OpenBtn"), 1);
  f.SaveBtn = f.ToolBar1->AddButton(QStringLiteral("SaveBtn"), 2);
  f.SaveBtn->setFixedWidth(34);
  f.ToolBar1->AddSeparator(QStringLiteral("ToolButton27"));
  f.PasteBtn = f.ToolBar1->AddButton(QStringLiteral("PasteBtn"), 3);
  f.ToolBar1->AddSeparator(QStringLiteral("ToolButton28"));
  f.OptionBtn = f.ToolBar1->AddButton(QStringLiteral("OptionBtn"), 4);
  f.OptionBtn->setText(QStringLiteral("options(&O)"));
  f.OptionBtn->setEnabled(false);
  f.ControlBar1->AddBand(f.ToolBar1, {11, 2}, {142, 22});

  f.SoundsBar = new TToolBar(QStringLiteral("SoundsBar"), QStringLiteral("SoundsPallete"),
                             f.SoundImages, f.ControlBar1);
  auto* palette = new QButtonGroup(&f);
  palette->setObjectName(QStringLiteral("SoundsGroup"));
  for (int n = 1; n <= PaletteButtonCount; ++n) {
    TToolButton* b = CheckButton(f.SoundsBar, QStringLiteral("SoundBtn%1").arg(n), n - 1, n == 1);
    palette->addButton(b, n);
    QObject::connect(b, &QToolButton::clicked, &f, &TForm1::SoundBtn1Click);
  }
  f.ControlBar1->AddBand(f.SoundsBar, {11, 28}, {368, 22});

  f.MainImage = new TImage(&f);
  f.MainImage->setObjectName(QStringLiteral("MainImage"));
  f.MainImage->setFixedSize(385, 144);
  f.MainImage->setCursor(Qt::BlankCursor);  // the tool's icon follows the pointer instead

  f.ScrollBar = new QScrollBar(Qt::Horizontal, &f);
  f.ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
  f.ScrollBar->setRange(0, 2780);
  f.ScrollBar->setSingleStep(10);
  f.ScrollBar->setPageStep(20);
  f.ScrollBar->setValue(0);

  f.ControlBar2 = new TControlBar(QStringLiteral("ControlBar2"), &f);
  f.etcBar =
      new TToolBar(QStringLiteral("etcBar"), QStringLiteral("etcBar"), f.etcImages, f.ControlBar2);
  f.EraserBtn = CheckButton(f.etcBar, QStringLiteral("EraserBtn"), 0, false);
  f.etcBar->AddSeparator(QStringLiteral("ToolButton37"));
  f.TimeBtn34 = CheckButton(f.etcBar, QStringLiteral("TimeBtn34"), 2, false);
  f.TimeBtn44 = CheckButton(f.etcBar, QStringLiteral("TimeBtn44"), 5, true);
  Group(f, QStringLiteral("TimeGroup"), {f.TimeBtn34, f.TimeBtn44})->setExclusive(true);
  f.etcBar->AddSeparator(QStringLiteral("ToolButton38"));
  f.etcBtn1 = CheckButton(f.etcBar, QStringLiteral("etcBtn1"), 6, false, false);
  f.etcBtn2 = CheckButton(f.etcBar, QStringLiteral("etcBtn2"), 8, false, false);
  f.etcBtn3 = CheckButton(f.etcBar, QStringLiteral("etcBtn3"), 10, false, false);
  f.etcBar->AddSeparator(QStringLiteral("ToolButton39"));
  f.UndoBtn = f.etcBar->AddButton(QStringLiteral("UndoBtn"), 12);
  f.UndoBtn->setEnabled(false);
  f.ControlBar2->AddBand(f.etcBar, {11, 2}, {185, 22});

  f.PlayerBar = new TToolBar(QStringLiteral("PlayerBar"), QStringLiteral("PlayerBar"),
                             f.PlayerImages, f.ControlBar2);
  f.PlayBtn = CheckButton(f.PlayerBar, QStringLiteral("PlayBtn"), 0, false);
  f.StopBtn = CheckButton(f.PlayerBar, QStringLiteral("StopBtn"), 3, true);
  Group(f, QStringLiteral("PlayerGroup"), {f.PlayBtn, f.StopBtn})->setExclusive(true);
  f.PlayerBar->AddSeparator(QStringLiteral("ToolButton1"));
  f.LoopBtn = CheckButton(f.PlayerBar, QStringLiteral("LoopBtn"), 4, false);
  f.PlayerBar->AddSeparator(QStringLiteral("ToolButton16"));
  f.TempoBar = new QSlider(Qt::Horizontal, f.PlayerBar);
  f.TempoBar->setObjectName(QStringLiteral("TempoBar"));
  f.TempoBar->setFixedSize(120, 22);
  f.TempoBar->setRange(100, 700);
  f.TempoBar->setSingleStep(1);
  f.TempoBar->setTickPosition(QSlider::NoTicks);
  f.TempoBar->setValue(DefaultTempo);
  f.PlayerBar->AddControl(f.TempoBar);
  f.ControlBar2->AddBand(f.PlayerBar, {11, 28}, {206, 22});

  f.setCentralWidget(new TClientArea(f.ControlBar1, f.MainImage, f.ScrollBar, f.ControlBar2, &f));

  // Handlers are attached after the stored values are in place, so building fires none.
  QObject::connect(f.ScrollBar, &QScrollBar::valueChanged, &f, &TForm1::ScrollBarChange);
  QObject::connect(f.TempoBar, &QSlider::valueChanged, &f, &TForm1::TempoBarChange);
  QObject::connect(f.StopBtn, &QToolButton::clicked, &f, &TForm1::StopBtnClick);
  QObject::connect(f.EraserBtn, &QToolButton::clicked, &f, &TForm1::EraserBtnClick);
  QObject::connect(f.TimeBtn34, &QToolButton::clicked, &f, &TForm1::TimeBtn34Click);
  QObject::connect(f.TimeBtn44, &QToolButton::clicked, &f, &TForm1::TimeBtn44Click);
  QObject::connect(f.etcBtn1, &QToolButton::clicked, &f, &TForm1::etcBtn1Click);
  QObject::connect(f.etcBtn2, &QToolButton::clicked, &f, &TForm1::etcBtn2Click);
  QObject::connect(f.etcBtn3, &QToolButton::clicked, &f, &TForm1::etcBtn3Click);
  QObject::connect(f.UndoBtn, &TToolButton::MouseDown, &f, &TForm1::UndoBtnMouseDown);
  QObject::connect(f.UndoBtn, &TToolButton::MouseUp, &f, &TForm1::UndoBtnMouseUp);
  QObject::connect(f.MainImage, &TImage::MouseDown, &f, &TForm1::MainImageMouseDown);
  QObject::connect(f.MainImage, &TImage::MouseMove, &f, &TForm1::MainImageMouseMove);
}

void BuildComponents(TForm1& f) {
  f.OpenDialog1 = new QFileDialog(&f);
  f.OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  f.OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  f.OpenDialog1->setFileMode(QFileDialog::AnyFile);  // a typed name is accepted as it is
  f.OpenDialog1->setNameFilter(FileFilter);
  f.OpenDialog1->setSizeGripEnabled(true);

  f.SaveDialog1 = new QFileDialog(&f);
  f.SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  f.SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  f.SaveDialog1->setNameFilter(FileFilter);
  f.SaveDialog1->setSizeGripEnabled(true);
  f.SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);

  // Created running at its default interval; the start-up sequence stops and retimes it.
  f.Timer = new QTimer(&f);
  f.Timer->setObjectName(QStringLiteral("Timer"));
  f.Timer->setTimerType(Qt::PreciseTimer);
  f.Timer->setInterval(1000);
  f.Timer->start();

  f.DDSD1 = new TDDSD(&f);
  f.DDSD1->setObjectName(QStringLiteral("DDSD1"));
  f.DDSD1->setDebugOption(dsoHaltOnError);

  f.WinSize1 = new TWinSize(&f);
  f.WinSize1->setObjectName(QStringLiteral("WinSize1"));
  f.WinSize1->setMinTrackSizeX(393);
  f.WinSize1->setMinTrackSizeY(317);
  f.WinSize1->setMaxTrackSizeY(500);
}
