// What the listening tests rest on: the stall probe's log read into the machine's stalls,
// a recording placed on the probe's clock, dropouts excused only by a stall at their time,
// and the helper programs they start while sound plays.
#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/DropoutExcuses.h"
#include "tests/support/StallLog.h"

namespace {

TStallLog Log(const std::string& text) {
  std::istringstream in(text);
  return TStallLog::Read(in);
}

TEST(StallLog, AStallSeenOnSeveralProcessorsCountsOnceAndOnlyPastTheSlack) {
  const TStallLog log =
      Log("realtime yes\n"
          "stall 0 100.0 120.0\n"
          "stall 1 101.0 119.5\n"  // the same stall seen on the other processor
          "stall 0 200.0 210.0\n"  // shorter than the slack
          "stall 1 300.0 315.5\n"
          "stall 0 330.0 345.0\n"
          "stall 1 400.0 409.0\n"  // two short ones overlapping are not one long one
          "stall 0 405.0 415.0\n"
          "size 99.0 8000\n");
  ASSERT_TRUE(log.Realtime());
  const auto stalls = log.Stalls(14);
  ASSERT_EQ(stalls.size(), 3u);
  EXPECT_DOUBLE_EQ(stalls[0].FromMs, 100);
  EXPECT_DOUBLE_EQ(stalls[0].ToMs, 120);
  EXPECT_DOUBLE_EQ(stalls[0].LateMs, 20);
  EXPECT_DOUBLE_EQ(stalls[1].FromMs, 300);
  EXPECT_DOUBLE_EQ(stalls[2].FromMs, 330);
  EXPECT_EQ(log.Stalls(20).size(), 0u) << "only stalls longer than the slack";
  EXPECT_DOUBLE_EQ(log.WorstLateMs(), 20);
}

TEST(StallLog, WithoutRealtimePriorityNothingCounts) {
  const TStallLog refused = Log("realtime no: Operation not permitted\nstall 0 100.0 200.0\n");
  EXPECT_FALSE(refused.Realtime());
  EXPECT_EQ(refused.Refusal(), "Operation not permitted");
  EXPECT_TRUE(refused.Stalls(14).empty());
  EXPECT_DOUBLE_EQ(refused.WorstLateMs(), 100);
  EXPECT_FALSE(Log("stall 0 100.0 200.0\n").Realtime()) << "a probe that never said";
}

TEST(StallLog, TheRecordingsFirstFrameIsPlacedByItsGrowthThroughASecondRunAhead) {
  // 48 frames of 8 bytes a millisecond, frame 0 made at 1000. The server ran 900 ms ahead in
  // the first second and then waited; a late delivery bounds it less closely.
  const TStallLog log =
      Log("realtime yes\n"
          "size 1010.0 349440\n"    // 910 ms of frames by 1010
          "size 2010.0 387840\n"    // 1010 ms by 2010
          "size 2500.0 576000\n"    // 1500 ms by 2500
          "size 3010.0 771840\n"    // 2010 ms by 3010
          "size 3020.0 773760\n");  // 2015 ms by 3020: late
  ASSERT_TRUE(log.FirstFrameMs(48000, 8).has_value());
  EXPECT_DOUBLE_EQ(*log.FirstFrameMs(48000, 8), 1000);
  EXPECT_FALSE(Log("realtime yes\n").FirstFrameMs(48000, 8).has_value());
}

TEST(DropoutExcuses, OnlyAStallOverlappingADropoutInTimeExcusesIt) {
  // Frame 0 at 1000 ms; 48 frames a millisecond.
  const std::vector<TStallLog::TStall> stalls = {{1100, 1120, 20}, {2000, 2030, 30}};
  const double tolerance = TDropoutExcuses::kToleranceMs;
  const auto at = [](double ms) { return static_cast<int64_t>((ms - 1000) * 48); };
  const std::vector<TSilentRun> dropouts = {
      {at(1110), 48 * 5},                   // within the first stall
      {at(1120 + tolerance - 1), 48},       // just after it, within the tolerance
      {at(1120 + tolerance + 1), 48},       // past the tolerance
      {at(1500), 48 * 10},                  // no stall near
      {at(2000 - tolerance - 4), 48 * 5}};  // ends just within the tolerance before one
  const TDropoutExcuses excuses(dropouts, stalls, 1000.0, 48000);
  ASSERT_EQ(excuses.Dropouts().size(), 5u);
  EXPECT_TRUE(excuses.Dropouts()[0].Stall.has_value());
  EXPECT_DOUBLE_EQ(excuses.Dropouts()[0].Stall->FromMs, 1100);
  EXPECT_TRUE(excuses.Dropouts()[1].Stall.has_value());
  EXPECT_FALSE(excuses.Dropouts()[2].Stall.has_value());
  EXPECT_FALSE(excuses.Dropouts()[3].Stall.has_value());
  EXPECT_TRUE(excuses.Dropouts()[4].Stall.has_value());
  EXPECT_DOUBLE_EQ(excuses.Dropouts()[4].Stall->FromMs, 2000);
  EXPECT_EQ(excuses.Unexcused(), 2);
  EXPECT_NE(excuses.Describe().find("NOT excused"), std::string::npos);

  // An interval is excused only when it takes in an excused dropout.
  EXPECT_TRUE(excuses.SpansExcused(at(1050), at(1112)));
  EXPECT_TRUE(excuses.SpansExcused(at(1115), at(1200)));  // the dropout's tail
  EXPECT_FALSE(excuses.SpansExcused(at(1020), at(1105)));
  EXPECT_FALSE(excuses.SpansExcused(at(1450), at(1550))) << "an unexcused dropout";

  // Without the recording's place on the clock, nothing can be matched.
  EXPECT_EQ(TDropoutExcuses(dropouts, stalls, std::nullopt, 48000).Unexcused(), 5);
}

// Each helper starts in a group of its own with signals as a new program gets them: a
// recorder started from a thread that blocks SIGINT must still end on it.
TEST(ChildProcess, AHelperGetsItsEnvironmentItsOwnGroupAndEverySignal) {
  sigset_t interrupt, before;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, &before);
  const auto output = RunForOutput(
      {"sh", "-c", "echo \"$POMVIK_PROBE_WORD\"; grep SigBlk /proc/self/status; ps -o pgid= $$"},
      {{"POMVIK_PROBE_WORD", "heard"}});
  TChildProcess sleeper({"sleep", "30"});
  const bool running = sleeper.Running();
  const int status = sleeper.Stop(SIGINT);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);

  ASSERT_TRUE(output.has_value());
  std::istringstream lines(*output);
  std::string word, blocked, group;
  std::getline(lines, word);
  std::getline(lines, blocked);
  lines >> group;
  EXPECT_EQ(word, "heard");
  EXPECT_EQ(blocked, "SigBlk:\t0000000000000000");
  EXPECT_NE(group, std::to_string(getpgrp()));
  EXPECT_TRUE(running);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
  EXPECT_FALSE(RunForOutput({"sh", "-c", "exit 3"}, {}).has_value());
  EXPECT_FALSE(RunForOutput({"/nonexistent/program"}, {}).has_value());
}

}  // namespace
