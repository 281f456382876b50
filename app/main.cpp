#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/ConsolePrompter.h"
#include "app/Unit1.h"
#include "core/SampleBank.h"
#include "core/SampleFolder.h"

namespace {
// With POMVIK_START_CHECK set (a packager's smoke test), the program starts as it always
// does, says on the standard error what its message boxes would show, and ends at once:
// with status 0 only when it had nothing to say.
int StartCheck(TApplication& app) {
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
  QTimer::singleShot(0, &form, &QWidget::close);
  const int status = app.exec();
  return status != 0 ? status : *said != 0 ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  app.setDesktopFileName(QStringLiteral("pomviksequencer"));
  if (qEnvironmentVariableIsSet("POMVIK_START_CHECK")) return StartCheck(app);
  TForm1 form;
  form.show();
  form.StartRecovery();
  return app.exec();
}
