#pragma once

// How much of a sound's energy lies above a frequency, averaged over Hann-windowed frames.
// Header-only.

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace pomvik::test {

// In-place radix-2 transform; data.size() must be a power of two.
inline void fastFourierTransform(std::vector<std::complex<double>>& data) {
  const std::size_t n = data.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(data[i], data[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> root =
        std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(len));
    for (std::size_t start = 0; start < n; start += len) {
      std::complex<double> w(1.0, 0.0);
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> a = data[start + k];
        const std::complex<double> b = data[start + k + len / 2] * w;
        data[start + k] = a + b;
        data[start + k + len / 2] = a - b;
        w *= root;
      }
    }
  }
}

// Share (0..1) of the energy of `x` at frequencies at or above `hz`. Sounds shorter than one
// frame are zero-padded.
inline double energyShareAbove(std::span<const double> x, double sampleRate, double hz,
                               std::size_t frame = 4096) {
  std::vector<double> power(frame / 2 + 1, 0.0);
  std::vector<std::complex<double>> buffer(frame);
  for (std::size_t start = 0; start == 0 || start + frame <= x.size(); start += frame / 2) {
    for (std::size_t j = 0; j < frame; ++j) {
      const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(j) /
                                            static_cast<double>(frame));
      buffer[j] = start + j < x.size() ? w * x[start + j] : 0.0;
    }
    fastFourierTransform(buffer);
    for (std::size_t k = 0; k < power.size(); ++k) power[k] += std::norm(buffer[k]);
  }
  double total = 0.0, above = 0.0;
  for (std::size_t k = 0; k < power.size(); ++k) {
    total += power[k];
    if (static_cast<double>(k) * sampleRate / static_cast<double>(frame) >= hz) above += power[k];
  }
  return total > 0.0 ? above / total : 0.0;
}

}  // namespace pomvik::test
