// The main window's "export audio": the song as it stands, written by the renderer's own
// code, so that the file equals what pomvik-render makes of the saved song.
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>

#include "app/Application.h"
#include "app/LocalNames.h"
#include "app/Prompter.h"
#include "app/Unit1.h"
#include "core/SampleFolder.h"
#include "core/SongFile.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongExport.h"

namespace {
const QString ExportTitle = QStringLiteral("export audio");
constexpr int kProgressSteps = 1000;
// A render that ends sooner than this shows no progress at all.
constexpr int kQuietMilliseconds = 500;
}  // namespace

bool TForm1::ExportAudio1Click() {
  const QFileInfo song(SongFileName());
  const QString proposed = song.completeBaseName() + QStringLiteral(".wav");
  QFileDialog* dialog = dialogs_.Export();
  std::optional<QString> name = Prompter().ChooseFile(
      dialog, Document().Untitled() ? proposed : song.dir().filePath(proposed));
  if (!name) return false;
  // A name the dialog took without a known extension gets the chosen filter's.
  std::string bytes = LocalBytes(*name);
  if (!OutputFormatOfPath(bytes))
    bytes += "." + QFile::encodeName(dialog->defaultSuffix()).toStdString();
  const std::filesystem::path output = bytes;

  TSongExport request;
  request.Song = RenderSongFromLines(SplitSongLines(Document().Text()), bytes);
  request.Title = Document().Untitled()
                      ? QFile::encodeName(UntitledSongName).toStdString()
                      : std::filesystem::path(Document().FileName()).stem().string();
  request.Output = output;
  request.Format = OutputFormatOfPath(output).value_or(TOutputFormat::Wave);
  request.Rate = DefaultRate(request.Format);
  request.Loops = 1;  // a looping song once through
  request.WaveFolder = ChosenSampleFolder();
  if (!Document().Untitled()) request.SongFile = Document().FileName();

  QProgressDialog progress(ExportTitle, QStringLiteral("cancel"), 0, kProgressSteps, this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(kQuietMilliseconds);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setValue(0);
  // Each sample that cannot be played is named in the error, not only the count of them.
  std::string problems;
  const auto say = [&problems](const std::string& problem) { problems += problem + "\n"; };
  try {
    return ExportSong(request, say, [&progress](int64_t done, int64_t total) {
      // The tails after the last pass are the last step.
      const int64_t step = total > 0 ? done * kProgressSteps / total : 0;
      progress.setValue(static_cast<int>(std::clamp<int64_t>(step, 0, kProgressSteps - 1)));
      return !progress.wasCanceled();
    });
  } catch (const ERenderError& e) {
    if (problems.empty()) throw;
    throw ERenderError(problems + e.what());
  }
}
