#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/ConsolePrompter.h"
#include "app/Unit1.h"
#include "core/EndingSignals.h"
#include "core/ProgramArguments.h"
#include "core/SampleBank.h"
#include "core/SampleCheck.h"
#include "core/SampleFolder.h"
#include "sound/dsound/live_output.h"
#include "sound/stream/sdl_output.h"

namespace {
// With POMVIK_START_CHECK set (a packager's smoke test), the program starts as it always
// does, says on the standard error what its message boxes would show, and ends at once:
// with status 0 only when it had nothing to say.
int StartCheck(TApplication& app, const std::string& song) {
  const auto said = std::make_shared<int>(0);
  app.setPrompter(std::make_unique<TConsolePrompter>(said));
  TForm1 form(std::make_unique<TConsolePrompter>(said));
  form.StartSound();  // what the window would do after its first paint, at once
  // Without a sound device the window loads no sample; a build machine's check still
  // wants to know that each is there and sound. With one, the window named each sample that
  // plays damaged as it loaded it; such a sample fails the check all the same.
  const std::filesystem::path folder = ChosenSampleFolder();
  for (const TSampleProblem& problem : CheckUnloadedWaveBank(form.SoundComponent(), folder)) {
    LogFailure(problem.Text());
    ++*said;
  }
  for (const TSampleProblem& problem : CheckWaveFiles(folder)) *said += problem.Plays ? 1 : 0;
  form.show();
  form.StartRecovery();
  if (!song.empty()) form.OpenFromCommandLine(song);
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
  // The song's name as the bytes it is: the locale may not decode it.
  const std::string& song = arguments.Song;
  // The window's sound device plays through the default output of the desktop's sound
  // server; without one it runs silent.
  dsound::SetLiveOutputFactory([] { return MakeSdlOutput(); });
  app.setDesktopFileName(QStringLiteral("pomviksequencer"));
  if (qEnvironmentVariableIsSet("POMVIK_START_CHECK")) return StartCheck(app, song);
  // A session's end, `kill` or Ctrl+C in a terminal: the song's changes are kept in the
  // recovery copy for the next start, then the program ends as the signal says.
  TEndingSignals endingSignals;
  TForm1 form;
  QSocketNotifier signalled(endingSignals.Descriptor(), QSocketNotifier::Read);
  QObject::connect(&signalled, &QSocketNotifier::activated, &form, [&] {
    if (const int signal = endingSignals.Take(); signal != 0) {
      form.KeepRecoveryCopyNow();
      TEndingSignals::EndBy(signal);
    }
  });
  form.show();
  form.StartRecovery();
  if (!song.empty()) form.OpenFromCommandLine(song);
  return app.exec();
}
