// pomvik-render: plays a song file as the window would and writes it as audio or MIDI.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "core/SampleFolder.h"
#include "core/SongFile.h"
#include "tools/render/CommandLine.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/ProgressLine.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongExport.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

void Say(const std::string& line) { std::fprintf(stderr, "pomvik-render: %s\n", line.c_str()); }

TRenderSong LoadSong(const std::filesystem::path& path) {
  return RenderSongFromLines(SplitSongLines(ReadSongFile(path)), path.string());
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

  TSongExport request;
  request.Song = LoadSong(options.Song);
  request.Title = options.Song.stem().string();
  request.SongFile = options.Song;
  request.Output = options.Output;
  request.Format = *format;
  request.Rate = rate;
  request.Loops = options.Loops;
  if (*format != TOutputFormat::Midi) request.WaveFolder = ChooseWaveFolder(options);
  TProgressLine progress;
  ExportSong(request, Say, [&](int64_t done, int64_t total) {
    progress.Update(done, total);
    return true;
  });
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
