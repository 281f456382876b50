#include "tools/render/OutputFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, TOutputFormat>, 6> kExtensions{{
    {".wav", TOutputFormat::Wave},
    {".flac", TOutputFormat::Flac},
    {".ogg", TOutputFormat::OggVorbis},
    {".opus", TOutputFormat::Opus},
    {".mp3", TOutputFormat::Mp3},
    {".mid", TOutputFormat::Midi},
}};

template <std::size_t N>
bool IsOneOf(int rate, const std::array<int, N>& rates) {
  return std::find(rates.begin(), rates.end(), rate) != rates.end();
}

}  // namespace

std::optional<TOutputFormat> OutputFormatOfPath(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& [name, format] : kExtensions)
    if (extension == name) return format;
  return std::nullopt;
}

int DefaultRate(TOutputFormat format) { return format == TOutputFormat::Opus ? 48000 : 44100; }

std::string RateProblem(TOutputFormat format, int rate) {
  static constexpr std::array<int, 5> kOpusRates{8000, 12000, 16000, 24000, 48000};
  static constexpr std::array<int, 9> kMp3Rates{8000,  11025, 12000, 16000, 22050,
                                                24000, 32000, 44100, 48000};
  switch (format) {
    case TOutputFormat::Opus:
      if (!IsOneOf(rate, kOpusRates)) return "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz";
      break;
    case TOutputFormat::Mp3:
      if (!IsOneOf(rate, kMp3Rates))
        return "MP3 takes 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100 or 48000 Hz";
      break;
    case TOutputFormat::Flac:
      if (rate > 655350) return "FLAC takes at most 655350 Hz";
      break;
    default:
      break;
  }
  return {};
}

const char* OutputExtensions() { return ".wav, .flac, .ogg, .opus, .mp3 or .mid"; }
