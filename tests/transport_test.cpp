#include "core/Transport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
// What a run of ticks did, counted from Play: tick 1 comes one interval after it.
struct TRun {
  std::vector<std::pair<int, int32_t>> Sounded;  // tick, column
  std::vector<std::pair<int, TPassEnd>> Ends;    // tick, what the end did
};

// Steps the position from Play as every player does; the figure stands on each tick's own
// number while it is drawn.
TRun Play(int32_t EndColumn, bool Loop, int ticks, int32_t first = 1) {
  TRun run;
  TPlayPosition position;
  position.Rewind(first);
  for (int k = 1; k <= ticks; ++k) {
    const int32_t before = position.PlayTick;
    const TTick tick = position.Tick(EndColumn, Loop);
    EXPECT_EQ(tick.PlayTick, before);
    if (tick.Column != 0) run.Sounded.emplace_back(k, tick.Column);
    if (tick.End != TPassEnd::Running) run.Ends.emplace_back(k, tick.End);
    if (tick.End == TPassEnd::Stopped) break;
  }
  return run;
}
}  // namespace

TEST(TransportArithmetic, IntervalIsTruncatedHalfColumnOfTempo) {
  const std::vector<std::pair<int, int>> table = {{100, 300}, {150, 200}, {200, 150}, {250, 120},
                                                  {300, 100}, {400, 75},  {500, 60},  {600, 50},
                                                  {650, 46},  {700, 42}};
  for (const auto& [tempo, interval] : table)
    EXPECT_EQ(IntervalFromTempo(tempo), interval) << "tempo " << tempo;
}

TEST(TransportArithmetic, PassSoundsEachColumnOnItsEvenTickAndEndsOnTheLast) {
  // The whole song: column n on tick 2n, the end found on the tick of column 96.
  const TRun whole = Play(97, false, 1000);
  ASSERT_EQ(whole.Sounded.size(), 96u);
  for (int32_t n = 1; n <= 96; ++n)
    EXPECT_EQ(whole.Sounded[static_cast<size_t>(n - 1)], std::make_pair(2 * n, n));
  EXPECT_EQ(whole.Ends, (std::vector<std::pair<int, TPassEnd>>{{192, TPassEnd::Stopped}}));

  // Looping: column 1 comes two ticks after column 96, as any column after its neighbour.
  const TRun looped = Play(97, true, 196);
  EXPECT_EQ(looped.Ends, (std::vector<std::pair<int, TPassEnd>>{{192, TPassEnd::Looped}}));
  ASSERT_EQ(looped.Sounded.size(), 98u);
  EXPECT_EQ(looped.Sounded[96], std::make_pair(194, 1));
  EXPECT_EQ(looped.Sounded[97], std::make_pair(196, 2));

  // No column: the first tick finds the end; looping runs on in silence.
  EXPECT_TRUE(Play(1, false, 10).Sounded.empty());
  EXPECT_EQ(Play(1, false, 10).Ends,
            (std::vector<std::pair<int, TPassEnd>>{{1, TPassEnd::Stopped}}));
  const TRun silent = Play(1, true, 10);
  EXPECT_TRUE(silent.Sounded.empty());
  EXPECT_EQ(silent.Ends.size(), 10u);

  // One column: sounded once, or once per column length when looping.
  EXPECT_EQ(Play(2, false, 10).Sounded, (std::vector<std::pair<int, int32_t>>{{2, 1}}));
  EXPECT_EQ(Play(2, true, 8).Sounded,
            (std::vector<std::pair<int, int32_t>>{{2, 1}, {4, 1}, {6, 1}, {8, 1}}));
}

TEST(TransportArithmetic, PlayFromALaterColumnStartsThereAndLoopsToColumnOne) {
  // From column 5: a silent tick, then column 5; the loop comes back to column 1.
  const TRun run = Play(7, true, 10, 5);
  EXPECT_EQ(run.Sounded,
            (std::vector<std::pair<int, int32_t>>{{2, 5}, {4, 6}, {6, 1}, {8, 2}, {10, 3}}));
  EXPECT_EQ(run.Ends, (std::vector<std::pair<int, TPassEnd>>{{4, TPassEnd::Looped}}));
  TPlayPosition position;
  position.Rewind(5);
  EXPECT_EQ(position, (TPlayPosition{5, 9}));  // the figure starts half a column before it
  // From the end itself: the first tick finds it.
  EXPECT_EQ(Play(7, false, 10, 7).Ends,
            (std::vector<std::pair<int, TPassEnd>>{{1, TPassEnd::Stopped}}));
}

TEST(TransportArithmetic, TickKFallsOnItsNearestFrameWithoutDrift) {
  // 42 ms at 44100 Hz is 1852.2 frames: each tick rounds on its own, never the sum.
  EXPECT_EQ(FrameOfTick(1, 42, 44100), 1852);
  EXPECT_EQ(FrameOfTick(5, 42, 44100), 9261);
  EXPECT_EQ(FrameOfTick(1000, 42, 44100), 1852200);
  EXPECT_EQ(FrameOfTick(1, 46, 23160), 1065);  // 1065.36
  EXPECT_EQ(FrameOfTick(1, 50, 44110), 2206);  // 2205.5: halves go up
}

TEST(TransportArithmetic, FollowingScrollHoldsTheFigureAt150) {
  // Before the view can move the position is negative (the scroll bar clamps it to 0);
  // then the figure, at 16 x tick + 50 less the scroll, stands still.
  EXPECT_EQ(ScrollPositionOfTick(6), -4);
  for (int32_t tick = 7; tick <= 180; ++tick)
    EXPECT_EQ(16 * tick + 50 - ScrollPositionOfTick(tick), 150) << "tick " << tick;
  EXPECT_EQ(ScrollPositionOfTick(180), 2780);
}
