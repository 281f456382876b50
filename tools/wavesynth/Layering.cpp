#include "tools/wavesynth/Layering.h"

#include "tools/wavesynth/Noise.h"

namespace wavesynth {

void Layering::add(Signal& into, const Signal& from, double gain, double offsetSeconds) {
  const std::size_t offset = samplesFor(offsetSeconds);
  if (into.size() < offset + from.size()) into.resize(offset + from.size(), 0.0);
  for (std::size_t i = 0; i < from.size(); ++i) into[offset + i] += gain * from[i];
}

Signal Layering::noise(std::uint64_t seed, Biquad filter, const Envelope& envelope) {
  Noise source(seed);
  Signal out(samplesFor(envelope.length()));
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = filter.process(source.next()) * envelope.at(timeOf(i));
  }
  return out;
}

}  // namespace wavesynth
