// "export audio" from the window: the same bytes as pomvik-render makes of the saved song,
// nothing left behind when it is cancelled or fails, and the reason said.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QSlider>
#include <QTimer>

#include "sound/ddsd/ddsd.h"
#include "tests/support/DocumentsFixture.h"
#include "tests/support/FakeLiveOutput.h"
#include "tests/support/RenderRun.h"
#include "tools/render/SongExport.h"

namespace {

using namespace documents;

class Export : public Documents {
 protected:
  // A looping song in 3/4 at tempo 400 whose notes use five sounds.
  void MakeSong() {
    SetCell(f, 1, 2, 1);
    SetCell(f, 6, 2, 9);
    SetCell(f, 3, 4, 14);
    SetCell(f, 12, 7, 17);
    SetCell(f, 9, 9, 5);
    SetEndColumn(f, 12);
    Control<QSlider>(f, "TempoBar").setValue(400);
    Control<TToolButton>(f, "LoopBtn").click();
    Control<TToolButton>(f, "TimeBtn34").click();
  }
  std::filesystem::path Local(const QString& name) const {
    return QFile::encodeName(Path(name)).toStdString();
  }
  // Runs the window from the scratch folder, whose waves/ holds the sample set built but
  // `missing`: the first place the program looks for its samples.
  void UseSamples(const std::string& missing = {}) {
    const std::filesystem::path waves = Local("waves");
    std::filesystem::create_directory(waves);
    for (const auto& sample : std::filesystem::directory_iterator(POMVIK_WAVES))
      if (sample.path().filename() != missing)
        std::filesystem::create_symlink(sample.path(), waves / sample.path().filename());
    std::filesystem::current_path(Local(QString()));
  }
  void TearDown() override {
    std::filesystem::current_path(before_);
    Documents::TearDown();
  }

 private:
  const std::filesystem::path before_ = std::filesystem::current_path();
};

TEST_F(Export, WritesWhatTheRendererWritesOfTheSavedSong) {
  MakeSong();
  answers.Files = {Path("song.psq")};
  Control<QAction>(f, "SaveAsAction").trigger();
  ASSERT_FALSE(f.Document().Modified());
  const std::filesystem::path scratch = Local(QString());
  UseSamples();

  for (const char* extension : {"wav", "flac", "mid"}) {
    SCOPED_TRACE(extension);
    const QString exported = Path(QStringLiteral("window.") + extension);
    answers.Files = {exported};
    Control<QAction>(f, "ExportAudio1").trigger();
    EXPECT_EQ(LastShown(), Dialog("ExportDialog1", Path("song.wav")));
    const std::string reference = std::string("render.") + extension;
    const auto run = pomvik::test::RunRender(
        {"--waves", POMVIK_WAVES, (scratch / "song.psq").string(), reference}, scratch);
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string bytes = pomvik::test::SlurpBytes(QFile::encodeName(exported).toStdString());
    EXPECT_GT(bytes.size(), 100u);
    EXPECT_TRUE(bytes == pomvik::test::SlurpBytes(scratch / reference)) << "the files differ";
  }
  // A looping song is written once through, as the renderer's single pass.
  const auto audio = pomvik::test::ReadAudio(Local("window.wav"));
  EXPECT_EQ(audio.rate, 44100);
  EXPECT_FALSE(f.Document().Modified()) << "exporting is not an edit";

  // A name without an extension takes the dialog's chosen one.
  answers.Files = {Path("plain")};
  Control<QAction>(f, "ExportAudio1").trigger();
  EXPECT_TRUE(QFile::exists(Path("plain.wav")));
}

TEST_F(Export, CancelledOrFailedLeavesAnExistingFileAsItWasAndSaysWhy) {
  MakeSong();
  const QString target = Write("kept.wav", "an older export");
  answers.Files = {QString()};  // the dialog cancelled
  Control<QAction>(f, "ExportAudio1").trigger();
  EXPECT_EQ(Read(target), "an older export");

  // Stopped half way: the progress says so on its first step.
  TSongExport request;
  request.Song = RenderSongFromLines(SplitSongLines(f.Document().Text()), "the window");
  request.Output = Local("kept.wav");
  request.WaveFolder = POMVIK_WAVES;
  int steps = 0;
  EXPECT_FALSE(ExportSong(
      request, [](const std::string&) {}, [&](int64_t, int64_t) { return ++steps < 2; }));
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(Read(target), "an older export");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.wav"}) << "a temporary";

  // A sample the song sounds is missing: nothing written, the file named in the error.
  UseSamples("Sound9.wav");
  answers.Files = {target};
  Control<QAction>(f, "ExportAudio1").trigger();
  const TShown error = LastShown();
  EXPECT_EQ(error.Kind, "error");
  EXPECT_TRUE(error.Text.contains("Sound9.wav")) << error.Text.toStdString();
  EXPECT_EQ(Read(target), "an older export");
}

// An export makes a sound component of its own, which raises its failures; the window's
// live output still halts on a device fault, as the window's option says.
TEST(ExportAndTheLiveOutput, AfterAnExportAFaultOfTheLiveOutputStillEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const QString song = QDir::temp().filePath(QStringLiteral("pomvik-export-halt.wav"));
  EXPECT_EXIT(
      {
        std::filesystem::current_path(std::filesystem::path(POMVIK_WAVES).parent_path());
        auto tape = std::make_shared<soundtest::TPacedOutput::TTape>();
        soundtest::UseLiveOutput(
            [tape] { return std::make_unique<soundtest::TPacedOutput>(tape, 512); });
        TFormFixture fx;
        TForm1& f = *fx.Form;
        // A raised fault would wait on a message box for good: say it and go on instead.
        TestApplication().setPrompter(std::make_unique<TRecordingPrompter>(fx.Shown));
        if (!Control<TDDSD>(f, "DDSD1").DirectSound()->IsLive()) std::exit(10);
        for (int column = 1; column <= 8; ++column) SetCell(f, 9, column, column);
        fx.Answers->Files = {song};
        Control<QAction>(f, "ExportAudio1").trigger();
        if (!QFile::exists(song)) std::exit(11);
        QFile::remove(song);

        dsound::TestSeam seam;
        seam.Fail(dsound::DsOp::DuplicateSoundBuffer, dsound::DSERR_OUTOFMEMORY);
        Control<QAbstractButton>(f, "PlayBtn").click();
        QTest::qWait(5000);
        std::exit(0);
      },
      ::testing::ExitedWithCode(kDDSDHaltStatus), "");
}

}  // namespace
