// The command line, the wheel and where play from here starts, as the core reads them.
#include <gtest/gtest.h>

#include "core/ProgramArguments.h"
#include "core/ScoreGeometry.h"
#include "core/WheelScroll.h"

namespace {

using TAction = TProgramArguments::TAction;

TEST(ProgramArguments, ASongHelpVersionAndWhatIsRefused) {
  const auto parse = [](std::vector<std::string> arguments) {
    return ParseProgramArguments(arguments);
  };
  EXPECT_EQ(parse({}).Action, TAction::Run);
  EXPECT_EQ(parse({}).Song, "");
  EXPECT_EQ(parse({"a song.psq"}).Song, "a song.psq");
  // After "--" and as a lone "-", what looks like an option is a song's name.
  EXPECT_EQ(parse({"--", "--help"}).Action, TAction::Run);
  EXPECT_EQ(parse({"--", "--help"}).Song, "--help");
  EXPECT_EQ(parse({"-"}).Song, "-");

  for (const char* help : {"-h", "--help"}) EXPECT_EQ(parse({help}).Action, TAction::Help);
  EXPECT_EQ(parse({"--version"}).Action, TAction::Version);
  // They answer next to anything, and help wins over the version.
  EXPECT_EQ(parse({"-x", "a.psq", "b.psq", "--version"}).Action, TAction::Version);
  EXPECT_EQ(parse({"--version", "--help"}).Action, TAction::Help);

  const TProgramArguments unknown = parse({"a.psq", "--loud"});
  EXPECT_EQ(unknown.Action, TAction::BadUsage);
  EXPECT_EQ(unknown.Problem, "unknown option --loud");
  EXPECT_EQ(unknown.Song, "");
  const TProgramArguments two = parse({"a.psq", "b.psq"});
  EXPECT_EQ(two.Action, TAction::BadUsage);
  EXPECT_EQ(two.Problem, "one song at a time");

  EXPECT_NE(ProgramUsageText().find("Usage: PomvikSequencer [SONG.psq]\n"), std::string::npos);
}

TEST(WheelScroll, ANotchIsAColumnFinerTurnsAddUpAndPixelsGlide) {
  TWheelScroll wheel;
  // Turning towards the user goes on through the song, away from it goes back; the
  // horizontal axis counts the same, and a diagonal stroke by its stronger axis.
  EXPECT_EQ(wheel.Pixels(0, -120, 0, 0), 32);
  EXPECT_EQ(wheel.Pixels(0, 240, 0, 0), -64);
  EXPECT_EQ(wheel.Pixels(-120, 0, 0, 0), 32);
  EXPECT_EQ(wheel.Pixels(-120, 30, 0, 0), 32);
  EXPECT_EQ(wheel.Pixels(20, -120, 0, 0), 32);

  // A fine wheel: eight parts of 15 make one column, none of it lost on the way.
  int moved = 0;
  for (int k = 0; k < 8; ++k) moved += wheel.Pixels(0, -15, 0, 0);
  EXPECT_EQ(moved, 32);
  EXPECT_EQ(wheel.Pixels(0, -10, 0, 0), 2);  // 2.67 pixels: 0.67 kept
  EXPECT_EQ(wheel.Pixels(0, -5, 0, 0), 2);   // 1.33 + 0.67
  // Turning back drops what was kept from the other way: 1.33 pixels, not 1.33 - 0.67.
  EXPECT_EQ(wheel.Pixels(0, -10, 0, 0), 2);
  EXPECT_EQ(wheel.Pixels(0, 5, 0, 0), -1);

  // A touchpad's pixels move the song by as many pixels, whatever its angle says.
  EXPECT_EQ(wheel.Pixels(0, -360, 0, -7), 7);
  EXPECT_EQ(wheel.Pixels(0, 0, 3, 1), -3);
  EXPECT_EQ(wheel.Pixels(0, 0, 0, 0), 0);

  // Wild values move far, never overflow.
  EXPECT_GT(wheel.Pixels(0, -2147483647 - 1, 0, 0), 2780);
  EXPECT_LT(wheel.Pixels(0, 0, 2147483647, 0), -2780);
}

TEST(PlayFromHere, StartsAtTheFirstColumnWhoseNotesAreWhollyInView) {
  // Column 1 while its notes still show whole; the next once its notes are cut at the edge.
  EXPECT_EQ(FirstWhollyVisibleColumn(0), 1);
  EXPECT_EQ(FirstWhollyVisibleColumn(74), 1);
  EXPECT_EQ(FirstWhollyVisibleColumn(75), 2);
  EXPECT_EQ(FirstWhollyVisibleColumn(300), 9);
  EXPECT_EQ(FirstWhollyVisibleColumn(ScrollMax), 86);
  // Over every scroll position: that column's pictures begin inside the view, the one
  // before it is cut (or there is none).
  for (int P = 0; P <= ScrollMax; ++P) {
    const int n = FirstWhollyVisibleColumn(P);
    ASSERT_GE(ColumnLineX(n, P) - IconHalf, 0) << P;
    ASSERT_TRUE(n == 1 || ColumnLineX(n - 1, P) - IconHalf < 0) << P;
  }
}

}  // namespace
