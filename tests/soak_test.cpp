// Twenty thousand random user actions on the real window (offscreen, on the offline sound
// device): the mouse over and beyond the score view with every tool and button, the
// palette, the player, tempo and scrolling, timer ticks, files, the clipboard, drops,
// resizing and closing, with every question answered at random. After each action the song
// and the controls must agree and no change may go unmarked; at the end the song must come
// back whole from the clipboard and from the last file saved.
//
// Each run picks a seed and prints it; a failure prints the command that replays it:
//   POMVIK_SOAK_SEED=123 POMVIK_SOAK_ACTIONS=20000 build/tests/soak_test [--scale=2]
#include "tests/soak/Soak.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <random>

#include "tests/soak/SoakRun.h"

namespace {

long FromEnvironment(const char* name, long otherwise) {
  bool given = false;
  const long value = qEnvironmentVariable(name).toLong(&given);
  return given ? value : otherwise;
}

TEST(Soak, RandomUserActionsKeepTheSongWholeAndNothingEscapes) {
  // The window finds its samples in the folder it starts in; the build folder holds them.
  std::filesystem::current_path(POMVIK_SAMPLE_FOLDER);
  soak::QuietOffscreenMessages();
  soak::TRunInfo& run = soak::Run();
  bool given = false;
  run.Seed = qEnvironmentVariable("POMVIK_SOAK_SEED").toULongLong(&given);
  if (!given) run.Seed = std::random_device{}();
  const long actions = FromEnvironment("POMVIK_SOAK_ACTIONS", 20000);
  run.Program = QCoreApplication::applicationFilePath().toStdString();
  if (const QByteArray scale = qgetenv("QT_SCALE_FACTOR"); !scale.isEmpty() && scale != "1")
    run.Program += " --scale=" + scale.toStdString();
  soak::ReportEndsDuringRun();
  std::printf("soak: seed %llu, %ld actions\n", static_cast<unsigned long long>(run.Seed), actions);
  std::fflush(stdout);

  TSoak soak(run.Seed);
  const long startKilobytes = soak::ResidentKilobytes();
  QElapsedTimer clock;
  clock.start();
  std::string failure = soak.Run(actions);
  if (failure.empty()) failure = soak.FinalChecks();
  std::printf("soak: %lld ms; resident memory %ld kB at the start, %ld kB at the end\nsoak:%s\n",
              static_cast<long long>(clock.elapsed()), startKilobytes, soak::ResidentKilobytes(),
              soak.Counts().c_str());
  EXPECT_EQ(failure, "") << "seed " << run.Seed;
}

}  // namespace
