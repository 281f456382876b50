// What an output file's name asks for: its extension picks the format.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

enum class TOutputFormat { Wave, Flac, OggVorbis, Opus, Mp3, Midi };

// By extension, in any case: .wav .flac .ogg .opus .mp3 .mid; none for anything else.
std::optional<TOutputFormat> OutputFormatOfPath(const std::filesystem::path& path);

// The mixing rate when none is asked for: Opus only knows 48000 Hz among the usual rates.
int DefaultRate(TOutputFormat format);

// Why a format cannot be written at `rate`, or empty when it can.
std::string RateProblem(TOutputFormat format, int rate);

// The extensions in the order the help lists them.
const char* OutputExtensions();
