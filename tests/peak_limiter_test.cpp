#include "sound/dsound/peak_limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using dsound::PeakLimiter;

namespace {

constexpr int kRate = 48000;

// Interleaved stereo: a sum of tones whose peak reaches `peak`.
std::vector<float> Chord(double peak, std::size_t frames) {
  std::vector<float> x(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double v = (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t + 1) +
                      std::sin(2 * M_PI * 330 * t + 2)) /
                     3.0;
    x[2 * i] = static_cast<float>(peak * v);
    x[2 * i + 1] = static_cast<float>(peak * v * 0.9);
  }
  return x;
}

float Peak(const std::vector<float>& x) {
  float peak = 0;
  for (float v : x) peak = std::max(peak, std::fabs(v));
  return peak;
}

TEST(PeakLimiter, BelowTheCeilingTheSoundPassesUnchangedOnlyLater) {
  PeakLimiter limiter(kRate);
  EXPECT_EQ(limiter.Delay(), 72);  // 1.5 ms
  std::mt19937 random(7);
  std::uniform_real_distribution<float> level(-PeakLimiter::kCeiling, PeakLimiter::kCeiling);
  std::vector<float> in(2 * 10000);
  for (float& v : in) v = level(random);
  std::vector<float> out = in;
  limiter.Process(out.data(), 10000);
  const auto delay = static_cast<std::size_t>(limiter.Delay());
  for (std::size_t i = 0; i < 2 * delay; ++i) ASSERT_EQ(out[i], 0.0f);
  for (std::size_t i = 2 * delay; i < out.size(); ++i) ASSERT_EQ(out[i], in[i - 2 * delay]) << i;
}

TEST(PeakLimiter, LoudSoundNeverPassesTheCeilingAndComesBackWhole) {
  // Quiet, then three notes adding up to twice full scale, then quiet again.
  std::vector<float> in = Chord(0.5, kRate / 2);
  const std::vector<float> loud = Chord(2.0, kRate / 2);
  in.insert(in.end(), loud.begin(), loud.end());
  const std::vector<float> after = Chord(0.5, 3 * kRate / 2);
  in.insert(in.end(), after.begin(), after.end());
  std::vector<float> out = in;
  PeakLimiter limiter(kRate);
  limiter.Process(out.data(), static_cast<uint32_t>(out.size() / 2));
  EXPECT_LE(Peak(out), PeakLimiter::kCeiling);
  // The loud part comes out near the ceiling, not squashed far below it.
  const auto delay = static_cast<std::size_t>(limiter.Delay());
  const std::size_t loudFrom = kRate / 2 + delay;
  EXPECT_GT(Peak({out.begin() + 2 * static_cast<long>(loudFrom),
                  out.begin() + 2 * static_cast<long>(loudFrom + kRate / 2)}),
            0.85f);
  // A second after the loud part, the sound is as it went in.
  const std::size_t quietFrom = kRate * 2 + delay;
  for (std::size_t i = 2 * quietFrom; i < out.size(); ++i)
    ASSERT_EQ(out[i], in[i - 2 * delay]) << i;
  // No flat tops: the gain glides, it does not clip.
  int run = 0;
  for (std::size_t i = 2; i < out.size(); i += 2) {
    run = out[i] == out[i - 2] && std::fabs(out[i]) > 0.8f ? run + 1 : 0;
    ASSERT_LT(run, 2) << "a flat run at frame " << i / 2;
  }
}

// The ceiling is one decibel below full scale, as the README promises, said in decibels
// rather than through the constant: a loud tone comes out within a tenth of a decibel under
// it, and a tone a twentieth of a decibel under it passes untouched.
TEST(PeakLimiter, TheCeilingIsOneDecibelBelowFullScale) {
  const auto dBFS = [](double decibels) { return std::pow(10.0, decibels / 20.0); };
  const auto tone = [](double peak) {
    std::vector<float> x(2 * kRate / 2);
    for (std::size_t i = 0; i < x.size() / 2; ++i)
      x[2 * i] = x[2 * i + 1] =
          static_cast<float>(peak * std::sin(2 * M_PI * 441 * static_cast<double>(i) / kRate));
    return x;
  };
  const auto limited = [](std::vector<float> x) {
    PeakLimiter(kRate).Process(x.data(), static_cast<uint32_t>(x.size() / 2));
    return x;
  };
  const std::vector<float> loud = limited(tone(2.0));
  const float settled = Peak({loud.begin() + kRate / 2, loud.end()});
  EXPECT_LE(settled, dBFS(-1.0));
  EXPECT_GT(settled, dBFS(-1.1));

  const std::vector<float> under = tone(dBFS(-1.05));
  const std::vector<float> passed = limited(under);
  const std::size_t delay = 2 * static_cast<std::size_t>(PeakLimiter(kRate).Delay());
  for (std::size_t i = delay; i < passed.size(); ++i) ASSERT_EQ(passed[i], under[i - delay]) << i;
}

TEST(PeakLimiter, TheSameSoundGivesTheSameFramesHoweverItIsSplit) {
  const std::vector<float> in = Chord(1.7, kRate);
  std::vector<float> whole = in;
  PeakLimiter(kRate).Process(whole.data(), kRate);
  std::vector<float> pieces = in;
  PeakLimiter limiter(kRate);
  std::mt19937 random(3);
  for (std::size_t at = 0; at < static_cast<std::size_t>(kRate);) {
    const auto n = std::min<std::size_t>(random() % 700 + 1, static_cast<std::size_t>(kRate) - at);
    limiter.Process(pieces.data() + 2 * at, static_cast<uint32_t>(n));
    at += n;
  }
  EXPECT_EQ(pieces, whole);
}

}  // namespace
