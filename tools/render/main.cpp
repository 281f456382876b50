// pomvik-render: plays a song file as the window would and writes it as audio or MIDI.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/ConvertError.h"
#include "core/SampleFolder.h"
#include "core/SongFile.h"
#include "core/SongSettings.h"
#include "core/SongText.h"
#include "sound/ddsd/ddsd_report.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/AudioFileWriter.h"
#include "tools/render/CommandLine.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/ProgressLine.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongMidi.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/SongSamples.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

void Say(const std::string& line) { std::fprintf(stderr, "pomvik-render: %s\n", line.c_str()); }

// The program's own reader with its tolerances; its messages for what it refuses.
TRenderSong LoadSong(const std::filesystem::path& path) {
  const TSongLines lines = SplitSongLines(ReadSongFile(path));
  TRenderSong song;
  TSongSettings settings;
  try {
    if (ReadSongText(lines, song.Song, settings) == TReadResult::BadScoreData)
      throw ERenderError(path.string() + ": データが不正です");
  } catch (const EConvertError& e) {
    throw ERenderError(path.string() + ": " + e.what());
  }
  song.Settings = settings.Values;
  return song;
}

std::filesystem::path ChooseWaveFolder(const TRenderOptions& options) {
  if (options.Waves) {
    std::error_code error;
    if (!std::filesystem::is_directory(*options.Waves, error))
      throw ERenderError(options.Waves->string() + ": no such folder");
    return *options.Waves;
  }
  return FindSampleFolder();
}

void RenderAudio(const TRenderOptions& options, const TRenderSong& song, TOutputFormat format,
                 int rate) {
  const std::filesystem::path folder = ChooseWaveFolder(options);
  // The samples are checked, and the output's folder tried, before any time goes into the
  // mix.
  const TSongSamples samples(song, folder, Say);
  TAtomicFile file(options.Output);
  TAudioFileWriter writer(file, format, rate);
  TSongRenderer renderer(rate, folder,
                         [&](const std::string& problem) { samples.Refused(problem); });
  {
    TProgressLine progress;
    renderer.Render(
        song, options.Loops,
        [&](const float* frames, std::size_t count) { writer.Write(frames, count); },
        [&](int64_t done, int64_t total) { progress.Update(done, total); });
  }
  writer.Close();
  file.Commit();
}

int Run(const std::vector<std::string>& arguments) {
  const TRenderOptions options = ParseCommandLine(arguments);
  if (options.Action == TRenderOptions::TAction::Help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.Action == TRenderOptions::TAction::Version) {
    std::puts("pomvik-render " POMVIK_VERSION);
    return 0;
  }
  const std::optional<TOutputFormat> format = OutputFormatOfPath(options.Output);
  if (!format)
    throw EUsageError(options.Output.string() + ": unknown output format; use " +
                      OutputExtensions());
  const int rate = options.Rate.value_or(DefaultRate(*format));
  if (const std::string problem = RateProblem(*format, rate); !problem.empty())
    throw EUsageError(problem);

  const TRenderSong song = LoadSong(options.Song);
  if (*format == TOutputFormat::Midi) {
    TAtomicFile file(options.Output);
    file.Write(SongToMidi(song, options.Loops, options.Song.stem().string()));
    file.Commit();
  } else {
    RenderAudio(options, song, *format, rate);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EUsageError& e) {
    Say(std::string(e.what()) + " (see pomvik-render --help)");
    return kBadUsage;
  } catch (const std::exception& e) {
    // ERenderError, the song file's own errors, a refusal of the sound component.
    Say(e.what());
    return kFailed;
  }
}
