#pragma once

#include <cstdint>
#include <vector>

// Where a song's columns landed in a recording of it, found column by column by matching a
// render of the same song (mono frames at the recording's rate), and where it fell silent.

struct TSilentRun {
  int64_t Frame;
  int64_t Length;
};
// Runs of at least `minimum` frames within [from, to) whose magnitude stays at or below
// `threshold`.
std::vector<TSilentRun> FindSilentRuns(const std::vector<float>& frames, int64_t from, int64_t to,
                                       int64_t minimum, float threshold = 1e-4f);

// The normalised correlation of a[at, at + n) with b[bt, bt + n); 0 where either is silent
// or out of range.
double Correlation(const std::vector<float>& a, int64_t at, const std::vector<float>& b, int64_t bt,
                   int64_t n);

struct TColumnHit {
  int64_t Frame;       // where the column starts in the recording
  double Correlation;  // of the column's whole length against the render
};

class TColumnFollower {
 public:
  // `onsets` are the render's column starts, two passes of `columnsPerPass` each: a pass after
  // the first starts from the previous one's last column still ringing.
  TColumnFollower(std::vector<float> render, std::vector<int64_t> onsets, int columnsPerPass,
                  int rate);

  // Follows `count` columns from about `first` (the column `firstColumn` counts from column
  // 1 of the first pass, 0 by default): each is looked for from half the shortest interval
  // to twice the longest (in milliseconds) after the previous one, so that a late column is
  // still found.
  std::vector<TColumnHit> Follow(const std::vector<float>& recording, int64_t first, int64_t count,
                                 int shortestMs, int longestMs, int64_t firstColumn = 0) const;

 private:
  int64_t Onset(int64_t column) const;
  int64_t Length(int64_t column) const;
  int64_t Locate(const std::vector<float>& recording, int64_t column, int64_t from,
                 int64_t to) const;

  std::vector<float> render_;
  std::vector<int64_t> onsets_;
  int columnsPerPass_;
  int rate_;
};
