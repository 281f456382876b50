#include "tests/support/ColumnTiming.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

std::vector<TSilentRun> FindSilentRuns(const std::vector<float>& frames, int64_t from, int64_t to,
                                       int64_t minimum, float threshold) {
  std::vector<TSilentRun> runs;
  to = std::min<int64_t>(to, static_cast<int64_t>(frames.size()));
  int64_t start = -1;
  for (int64_t i = std::max<int64_t>(from, 0); i <= to; ++i) {
    const bool quiet = i < to && std::fabs(frames[static_cast<std::size_t>(i)]) <= threshold;
    if (quiet && start < 0) start = i;
    if (!quiet && start >= 0) {
      if (i - start >= minimum) runs.push_back({start, i - start});
      start = -1;
    }
  }
  return runs;
}

double Correlation(const std::vector<float>& a, int64_t at, const std::vector<float>& b, int64_t bt,
                   int64_t n) {
  if (at < 0 || bt < 0 || n <= 0 || at + n > static_cast<int64_t>(a.size()) ||
      bt + n > static_cast<int64_t>(b.size()))
    return 0;
  double ab = 0, aa = 0, bb = 0;
  for (int64_t i = 0; i < n; ++i) {
    const double x = a[static_cast<std::size_t>(at + i)];
    const double y = b[static_cast<std::size_t>(bt + i)];
    ab += x * y;
    aa += x * x;
    bb += y * y;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

TColumnFollower::TColumnFollower(std::vector<float> render, std::vector<int64_t> onsets,
                                 int columnsPerPass, int rate)
    : render_(std::move(render)),
      onsets_(std::move(onsets)),
      columnsPerPass_(columnsPerPass),
      rate_(rate) {}

int64_t TColumnFollower::Onset(int64_t column) const {
  const int64_t pass = column < columnsPerPass_ ? 0 : 1;
  return onsets_[static_cast<std::size_t>(pass * columnsPerPass_ + column % columnsPerPass_)];
}

int64_t TColumnFollower::Length(int64_t column) const {
  const int64_t pass = column < columnsPerPass_ ? 0 : 1;
  const std::size_t at =
      static_cast<std::size_t>(pass * columnsPerPass_ + column % columnsPerPass_);
  return at + 1 < onsets_.size() ? onsets_[at + 1] - onsets_[at] : onsets_[at] - onsets_[at - 1];
}

// The best match of the column's first 40 ms, its onset and what follows: a dropout there
// does not throw it off. Searched coarsely first, then frame by frame: while nothing drops
// out each column starts a whole number of coarse steps after the one before (every
// interval is), but after a dropout it may start anywhere, and a match that is not all but
// exact is looked for again frame by frame.
int64_t TColumnFollower::Locate(const std::vector<float>& recording, int64_t column, int64_t from,
                                int64_t to) const {
  const int64_t n = std::min<int64_t>(rate_ / 25, Length(column));
  auto best = [&](int64_t first, int64_t last, int64_t step) {
    int64_t found = first;
    double score = -2;
    for (int64_t at = std::max<int64_t>(first, 0); at < last; at += step) {
      const double s = Correlation(recording, at, render_, Onset(column), n);
      if (s > score) {
        score = s;
        found = at;
      }
    }
    return found;
  };
  const int64_t coarse = best(from, to, 4);
  const int64_t found = best(coarse - 4, coarse + 5, 1);
  if (Correlation(recording, found, render_, Onset(column), n) >= 0.999) return found;
  return best(from, to, 1);
}

std::vector<TColumnHit> TColumnFollower::Follow(const std::vector<float>& recording, int64_t first,
                                                int64_t count, int shortestMs, int longestMs,
                                                int64_t firstColumn) const {
  std::vector<TColumnHit> hits;
  const int64_t early = static_cast<int64_t>(shortestMs) * rate_ / 2000;
  const int64_t late = static_cast<int64_t>(longestMs) * rate_ * 2 / 1000;
  int64_t expected = first;
  for (int64_t column = firstColumn; column < firstColumn + count; ++column) {
    const int64_t from = column == firstColumn ? first - rate_ / 50 : expected + early;
    const int64_t to = column == firstColumn ? first + rate_ / 50 : expected + late;
    if (to + Length(column) > static_cast<int64_t>(recording.size())) break;
    const int64_t at = Locate(recording, column, from, to);
    hits.push_back({at, Correlation(recording, at, render_, Onset(column), Length(column))});
    expected = at;
  }
  return hits;
}
