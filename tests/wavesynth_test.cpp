#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "core/PitchTables.h"
#include "tests/support/BandEnergy.h"
#include "tests/support/FundamentalEstimator.h"
#include "tests/support/PcmWaveFile.h"
#include "tests/support/PitchTrack.h"

namespace {

using pomvik::test::estimateFundamental;
using pomvik::test::PcmWaveFile;
using pomvik::test::toneMagnitude;

constexpr double kRate = 44100.0;
const double kF4 = 440.0 * std::exp2(-4.0 / 12.0);
const double kE5 = 440.0 * std::exp2(7.0 / 12.0);

std::filesystem::path wavePath(const std::filesystem::path& folder, int n) {
  return folder / ("Sound" + std::to_string(n) + ".wav");
}

PcmWaveFile load(int n) {
  return pomvik::test::parsePcmWave(pomvik::test::readFileBytes(wavePath("waves", n)));
}

// The held part of a note: after attacks and glides, before the release.
std::vector<double> steadyPart(const std::vector<double>& x) {
  const auto length = static_cast<double>(x.size());
  const auto begin = static_cast<std::size_t>(0.35 * length);
  const auto count = static_cast<std::size_t>(std::min(0.3 * length, 0.25 * kRate));
  return {x.begin() + static_cast<std::ptrdiff_t>(begin),
          x.begin() + static_cast<std::ptrdiff_t>(begin + count)};
}

double meanSquare(std::span<const double> x) {
  double sum = 0.0;
  for (double v : x) sum += v * v;
  return x.empty() ? 0.0 : sum / static_cast<double>(x.size());
}

// Share of the held part's energy carried by the component at `hz`.
double energyShareAt(std::span<const double> x, double hz) {
  const double amplitude = toneMagnitude(x, kRate, hz);
  return amplitude * amplitude / 2.0 / meanSquare(x);
}

void expectInTune(int n, double target) {
  SCOPED_TRACE("Sound" + std::to_string(n));
  const std::vector<double> held = steadyPart(load(n).unitSamples());
  const auto estimate = estimateFundamental(held, kRate, 60.0, 2000.0);
  EXPECT_NEAR(estimate.hz / target, 1.0, 0.003) << estimate.hz << " Hz";
  EXPECT_LT(estimate.aperiodicity, 0.2);
  // Heard as the note, not implied by its partials.
  EXPECT_GT(energyShareAt(held, estimate.hz), 0.1);
}

struct RatioRange {
  double slowest = 0.0;
  double fastest = 0.0;
};

// The ratios of its own rate at which the program plays sample n, over every sound and row
// as the song's voicing picks them; tool sounds play at 1.0.
RatioRange playedRatios(int n) {
  RatioRange range{std::numeric_limits<double>::infinity(), 0.0};
  for (int sound = 1; sound <= 15; ++sound) {
    for (int row = 1; row <= RowCount; ++row) {
      const TNoteVoice voice = ChooseVoice(sound, row);
      if (voice.Wave != n) continue;
      range.slowest = std::min(range.slowest, voice.Ratio);
      range.fastest = std::max(range.fastest, voice.Ratio);
    }
  }
  return range.fastest > 0.0 ? range : RatioRange{1.0, 1.0};
}

double fastestRatio(int n) { return playedRatios(n).fastest; }

double cents(double hz, double target) { return 1200.0 * std::log2(hz / target); }

// Seconds from the start until the level, in 20 ms frames, has fallen 30 dB below its loudest.
double thirtyDbDown(const std::vector<double>& x) {
  const auto width = static_cast<std::size_t>(0.02 * kRate);
  const std::size_t hop = width / 4;
  std::vector<double> level;
  for (std::size_t start = 0; start + width <= x.size(); start += hop) {
    level.push_back(meanSquare(std::span<const double>(x).subspan(start, width)));
  }
  const auto loudest = std::max_element(level.begin(), level.end());
  const auto quiet =
      std::find_if(loudest, level.end(), [&](double l) { return l < *loudest / 1e3; });
  return static_cast<double>(static_cast<std::size_t>(quiet - level.begin()) * hop) / kRate;
}

}  // namespace

TEST(WaveSynthFormat, EveryFileIsPlainMono16BitPcmAt44100) {
  for (int n = 1; n <= 29; ++n) {
    SCOPED_TRACE("Sound" + std::to_string(n));
    const auto bytes = pomvik::test::readFileBytes(wavePath("waves", n));
    const PcmWaveFile wave = pomvik::test::parsePcmWave(bytes);
    EXPECT_EQ(wave.riffSize, bytes.size() - 8);
    EXPECT_EQ(wave.fmtSize, 16u);
    EXPECT_EQ(wave.formatTag, 1);
    EXPECT_EQ(wave.channels, 1);
    EXPECT_EQ(wave.sampleRate, 44100u);
    EXPECT_EQ(wave.byteRate, 88200u);
    EXPECT_EQ(wave.blockAlign, 2);
    EXPECT_EQ(wave.bitsPerSample, 16);
    // RIFF header, fmt and data chunks and nothing else.
    EXPECT_EQ(bytes.size(), 44 + 2 * wave.samples.size());
  }
}

TEST(WaveSynthTuning, NoteSoundsSoundF4) {
  for (int n = 1; n <= 15; ++n) expectInTune(n, kF4);
}

TEST(WaveSynthTuning, AlternateRecordingsSoundE5) {
  for (int n = 21; n <= 29; ++n) expectInTune(n, kE5);
}

TEST(WaveSynthTuning, EveryNoteHoldsItsPitchFromFortyMillisecondsAtEveryRatioItPlaysAt) {
  // A column lasts 84 ms at the fastest tempo: past a short scoop, the note must already be
  // its row's pitch. Played slower, a sample's scoop lasts longer, so each sample is checked
  // as heard at its slowest and fastest rows too.
  constexpr double kFrom = 0.04;
  constexpr double kFrame = 0.02;
  for (int n = 1; n <= 29; ++n) {
    if (n >= 16 && n <= 20) continue;
    const auto x = load(n).unitSamples();
    const RatioRange played = playedRatios(n);
    for (double ratio : {1.0, played.slowest, played.fastest}) {
      SCOPED_TRACE("Sound" + std::to_string(n) + " at " + std::to_string(ratio));
      const auto heard = pomvik::test::playedAtRatio(x, ratio);
      const double target = (n <= 15 ? kF4 : kE5) * ratio;
      const double until = thirtyDbDown(heard);
      // The frames also read two periods of the lowest pitch looked for.
      const double reach = kFrame + 4.0 / target;
      ASSERT_GT(until - reach - kFrom, 0.05);
      // Frames overlap by half, so that every moment is seen by two of them.
      const auto frames =
          pomvik::test::trackPitch(heard, kRate, target / 2.0, target * 2.0, kFrame, kFrame / 2.0);
      double worst = 0.0, worstAt = 0.0;
      for (const auto& frame : frames) {
        if (frame.seconds < kFrom || frame.seconds + reach > until) continue;
        const double off = cents(frame.hz, target);
        if (std::abs(off) > std::abs(worst)) {
          worst = off;
          worstAt = frame.seconds;
        }
      }
      EXPECT_LT(std::abs(worst), 10.0) << worst << " cents at " << worstAt << " s";
    }
  }
}

TEST(WaveSynthTuning, EachAlternateResemblesItsOwnMainSound) {
  // A recording of the same thing, higher: it keeps its length and the shape of its loudness
  // over time. For each alternate, the nearest main sound must be the one it stands in for.
  const int mains[] = {1, 4, 5, 6, 12, 14, 15, 2, 13};
  auto profile = [](int n) {
    const auto x = load(n).unitSamples();
    constexpr std::size_t kFrames = 40;
    std::vector<double> features{10.0 * static_cast<double>(x.size()) / kRate};
    std::vector<double> level;
    for (std::size_t f = 0; f < kFrames; ++f) {
      level.push_back(meanSquare(
          std::span<const double>(x).subspan(f * x.size() / kFrames, x.size() / kFrames)));
    }
    const double loudest = *std::max_element(level.begin(), level.end());
    for (double l : level)
      features.push_back(std::max(10.0 * std::log10(l / loudest), -40.0) / 10.0);
    return features;
  };
  std::vector<std::vector<double>> mainProfiles;
  for (int m : mains) mainProfiles.push_back(profile(m));
  for (std::size_t i = 0; i < std::size(mains); ++i) {
    const int alternate = 21 + static_cast<int>(i);
    const auto own = profile(alternate);
    std::size_t nearest = 0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j < mainProfiles.size(); ++j) {
      double d = 0.0;
      for (std::size_t k = 0; k < own.size(); ++k) {
        d += (own[k] - mainProfiles[j][k]) * (own[k] - mainProfiles[j][k]);
      }
      if (d < nearestDistance) {
        nearestDistance = d;
        nearest = j;
      }
    }
    EXPECT_EQ(mains[nearest], mains[i]) << "Sound" << alternate;
  }
}

TEST(WaveSynthLevels, LengthsPeaksDcAndSilentEdges) {
  for (int n = 1; n <= 29; ++n) {
    SCOPED_TRACE("Sound" + std::to_string(n));
    const auto x = load(n).unitSamples();
    const double seconds = static_cast<double>(x.size()) / kRate;
    EXPECT_GE(seconds, 0.2);
    EXPECT_LE(seconds, 2.0);
    if (x.empty()) continue;

    double peak = 0.0, sum = 0.0;
    for (double v : x) {
      peak = std::max(peak, std::abs(v));
      sum += v;
    }
    const double peakDb = 20.0 * std::log10(peak);
    EXPECT_GE(peakDb, -6.0);
    EXPECT_LE(peakDb, -1.0);
    EXPECT_LT(std::abs(sum / static_cast<double>(x.size())), 1e-3);

    // No click at either end: the first and last samples are at rest, the first and last
    // few milliseconds are quiet, and the sound does not jump as it starts.
    const std::size_t edge = static_cast<std::size_t>(0.003 * kRate);
    EXPECT_LT(std::abs(x.front()), 1e-3);
    EXPECT_LT(std::abs(x.back()), 1e-3);
    const std::span<const double> tail(x.end() - static_cast<std::ptrdiff_t>(edge), x.end());
    EXPECT_LT(10.0 * std::log10(meanSquare(tail) + 1e-20), -50.0);
    double jump = 0.0;
    for (std::size_t i = 1; i < 20; ++i) jump = std::max(jump, std::abs(x[i] - x[i - 1]));
    EXPECT_LT(jump, 0.02);
  }
}

TEST(WaveSynthLevels, NoteSoundsAreEquallyLoudAndAlternatesMatchTheirMainSound) {
  std::vector<double> loudness(30, 0.0);
  for (int n = 1; n <= 29; ++n) {
    loudness[static_cast<std::size_t>(n)] =
        pomvik::test::loudestRmsDb(load(n).unitSamples(), kRate, 0.1);
  }
  std::vector<double> notes(loudness.begin() + 1, loudness.begin() + 16);
  std::nth_element(notes.begin(), notes.begin() + 7, notes.end());
  const double median = notes[7];
  for (int n = 1; n <= 15; ++n) {
    EXPECT_NEAR(loudness[static_cast<std::size_t>(n)], median, 1.5) << "Sound" << n;
  }
  for (int sound = 1; sound <= 15; ++sound) {
    const int alternate = ChooseVoice(sound, 1).Wave;
    if (alternate == sound) continue;
    EXPECT_NEAR(loudness[static_cast<std::size_t>(alternate)],
                loudness[static_cast<std::size_t>(sound)], 1.5)
        << "Sound" << alternate;
  }
}

TEST(WaveSynthLevels, HighPartialsStayBelowWhatFastPlaybackCanCarry) {
  // Output mixes at 23160 Hz: whatever a sped-up sample holds above that Nyquist frequency
  // would fold back as harsh aliases.
  for (int n = 1; n <= 29; ++n) {
    if (n >= 17 && n <= 19) continue;  // loaded but never played
    SCOPED_TRACE("Sound" + std::to_string(n));
    const auto x = load(n).unitSamples();
    const double limit = 23160.0 / 2.0 / fastestRatio(n);
    EXPECT_LT(pomvik::test::energyShareAbove(x, kRate, limit), 1e-4);
  }
}

TEST(WaveSynthFiles, SoundsDifferAndRerunsWriteIdenticalBytes) {
  std::vector<std::vector<std::uint8_t>> built;
  for (int n = 1; n <= 29; ++n) built.push_back(pomvik::test::readFileBytes(wavePath("waves", n)));
  for (std::size_t a = 0; a < built.size(); ++a) {
    for (std::size_t b = a + 1; b < built.size(); ++b) {
      EXPECT_NE(built[a], built[b]) << "Sound" << a + 1 << " and Sound" << b + 1;
    }
  }

  // Named per process: other builds on the machine may run this test at the same time.
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / ("wavesynth-rerun-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  const std::string command = std::string("'") + POMVIK_WAVESYNTH + "' '" + folder.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (int n = 1; n <= 29; ++n) {
    EXPECT_EQ(pomvik::test::readFileBytes(wavePath(folder, n)),
              built[static_cast<std::size_t>(n - 1)])
        << "Sound" << n;
  }
  std::filesystem::remove_all(folder);
}

TEST(FundamentalEstimator, FindsTheFundamentalAndCatchesOctaveAndSemitoneErrors) {
  auto tone = [](double f0, const std::vector<double>& amplitudes) {
    std::vector<double> x(static_cast<std::size_t>(0.2 * kRate));
    for (std::size_t i = 0; i < x.size(); ++i) {
      for (std::size_t k = 0; k < amplitudes.size(); ++k) {
        x[i] += amplitudes[k] * std::sin(2.0 * std::numbers::pi * f0 * static_cast<double>(k + 1) *
                                         static_cast<double>(i) / kRate);
      }
    }
    return x;
  };
  // A weak fundamental under a strong octave is still the fundamental.
  const auto rich = tone(kF4, {0.3, 1.0, 0.5, 0.2});
  EXPECT_NEAR(estimateFundamental(rich, kRate).hz / kF4, 1.0, 1e-4);
  // An octave up or a semitone up is told apart from F4.
  EXPECT_NEAR(estimateFundamental(tone(2 * kF4, {1.0, 0.3}), kRate).hz / (2 * kF4), 1.0, 1e-4);
  const double semitoneUp = kF4 * std::exp2(1.0 / 12.0);
  EXPECT_NEAR(estimateFundamental(tone(semitoneUp, {1.0, 0.5}), kRate).hz / semitoneUp, 1.0, 1e-4);
  // A fundamental only implied by its partials is found, and shows up as carrying no energy.
  const auto implied = tone(kF4 / 2, {0.0, 1.0, 0.7, 0.5, 0.3});
  const double found = estimateFundamental(implied, kRate).hz;
  EXPECT_NEAR(found / (kF4 / 2), 1.0, 1e-3);
  EXPECT_LT(energyShareAt(implied, found), 0.01);
  EXPECT_GT(energyShareAt(rich, kF4), 0.05);
}

TEST(PitchTrack, FollowsAScoopAndHoldsAHeldNoteWithinACentAcrossThePlayedRange) {
  // A buzzy tone that scoops up a whole tone over its first 30 ms, then holds.
  auto scooped = [](double hz) {
    std::vector<double> x(static_cast<std::size_t>(0.3 * kRate));
    double phase = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double f = hz * std::exp2(t < 0.03 ? -2.0 / 12.0 * (1.0 - t / 0.03) : 0.0);
      for (int k = 1; k <= 12; ++k) x[i] += std::sin(2.0 * std::numbers::pi * k * phase) / k;
      phase += f / kRate;
    }
    return x;
  };
  for (double hz : {247.0, kF4, kE5, 784.0}) {
    SCOPED_TRACE(hz);
    const auto frames = pomvik::test::trackPitch(scooped(hz), kRate, hz / 2.0, hz * 2.0);
    ASSERT_GT(frames.size(), 40u);
    EXPECT_LT(cents(frames.front().hz, hz), -100.0);
    for (const auto& frame : frames) {
      if (frame.seconds >= 0.03) {
        EXPECT_LT(std::abs(cents(frame.hz, hz)), 1.0) << frame.seconds;
      }
    }
  }
}
