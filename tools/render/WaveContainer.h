// Which container a WAVE render is written in, decided before the first frame: the plain
// RIFF WAVE that every player reads while the whole render surely fits what its header can
// count, and RF64 only for a render that may not.
#pragma once

#include <cstdint>
#include <filesystem>

#include "tools/render/RenderSong.h"

enum class TWaveContainer { Riff, Rf64 };

// The most stereo 16-bit frames a RIFF WAVE holds: its header counts 36 bytes of chunk
// headers and the sound in 32 bits.
inline constexpr int64_t kRiffWaveFrameLimit = (int64_t{0xFFFFFFFF} - 36) / 4;

// RIFF for at most kRiffWaveFrameLimit frames, RF64 for more.
TWaveContainer WaveContainerFor(int64_t frames);

// At least as many frames as rendering `passes` passes of `song` at `rate` writes: the
// song's ticks, then the longest sample of `waveFolder` that the song sounds, rung out at the
// lowest pitch any row plays, and a second more for the mixer's own delays.
int64_t RenderFrameBound(const TRenderSong& song, int passes,
                         const std::filesystem::path& waveFolder, int rate);
