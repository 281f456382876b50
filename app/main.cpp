#include <QFile>
#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/ConsolePrompter.h"
#include "app/Unit1.h"
#include "core/ProgramArguments.h"
#include "core/SampleBank.h"
#include "core/SampleFolder.h"
#include "sound/dsound/live_output.h"
#include "sound/stream/sdl_output.h"

namespace {
// With POMVIK_START_CHECK set (a packager's smoke test), the program starts as it always
// does, says on the standard error what its message boxes would show, and ends at once:
// with status 0 only when it had nothing to say.
int StartCheck(TApplication& app, const QString& song) {
  const auto said = std::make_shared<int>(0);
  app.setPrompter(std::make_unique<TConsolePrompter>(said));
  TForm1 form(std::make_unique<TConsolePrompter>(said));
  // Without a sound device the window loads no sample; a build machine's check still
  // wants to know that each is there and sound.
  for (const TSampleProblem& problem : CheckUnloadedWaveBank(*form.DDSD1, ChosenSampleFolder())) {
    LogFailure(problem.Text());
    ++*said;
  }
  form.show();
  form.StartRecovery();
  if (!song.isEmpty()) form.OpenFromCommandLine(song);
  QTimer::singleShot(0, &form, &QWidget::close);
  const int status = app.exec();
  return status != 0 ? status : *said != 0 ? 1 : 0;
}

TProgramArguments Arguments(int argc, char** argv) {
  return ParseProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
}

// --help and --version answer without a window, so also where no display is.
bool AnsweredWithoutWindow(const TProgramArguments& arguments) {
  if (arguments.Action == TProgramArguments::TAction::Help) {
    std::fputs(ProgramUsageText().c_str(), stdout);
    return true;
  }
  if (arguments.Action == TProgramArguments::TAction::Version) {
    std::puts("PomvikSequencer " POMVIK_VERSION);
    return true;
  }
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (AnsweredWithoutWindow(Arguments(argc, argv))) return 0;
  TApplication app(argc, argv);  // takes Qt's own options out of argv
  const TProgramArguments arguments = Arguments(argc, argv);
  if (arguments.Action == TProgramArguments::TAction::BadUsage) {
    std::fprintf(stderr, "PomvikSequencer: %s (see PomvikSequencer --help)\n",
                 arguments.Problem.c_str());
    return 2;
  }
  const QString song = QFile::decodeName(QByteArray::fromStdString(arguments.Song));
  // The window's sound device plays through the default output of the desktop's sound
  // server; without one it runs silent.
  dsound::SetLiveOutputFactory([] { return MakeSdlOutput(); });
  app.setDesktopFileName(QStringLiteral("pomviksequencer"));
  if (qEnvironmentVariableIsSet("POMVIK_START_CHECK")) return StartCheck(app, song);
  TForm1 form;
  form.show();
  form.StartRecovery();
  if (!song.isEmpty()) form.OpenFromCommandLine(song);
  return app.exec();
}
