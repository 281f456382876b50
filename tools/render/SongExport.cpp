#include "tools/render/SongExport.h"

#include "core/ConvertError.h"
#include "core/SongSettings.h"
#include "tools/render/AtomicFile.h"
#include "tools/render/AudioFileWriter.h"
#include "tools/render/RenderError.h"
#include "tools/render/SongMidi.h"
#include "tools/render/SongRenderer.h"
#include "tools/render/SongSamples.h"
#include "tools/render/WaveContainer.h"

namespace {
// Thrown from inside the mix to leave it at once; never leaves ExportSong.
struct TStopped {};
}  // namespace

TRenderSong RenderSongFromLines(const TSongLines& lines, const std::string& source) {
  TRenderSong song;
  TSongSettings settings;
  try {
    if (ReadSongText(lines, song.Song, settings) == TReadResult::BadScoreData)
      throw ERenderError(source + ": データが不正です");
  } catch (const EConvertError& e) {
    throw ERenderError(source + ": " + e.what());
  }
  song.Settings = settings.Values;
  return song;
}

bool ExportSong(const TSongExport& request, const std::function<void(const std::string&)>& say,
                const std::function<bool(int64_t, int64_t)>& progress) {
  if (request.Format == TOutputFormat::Midi) {
    TAtomicFile file(request.Output);
    file.Write(SongToMidi(request.Song, request.Loops, request.Title));
    file.Commit();
    return true;
  }
  // The samples are checked, and the output's folder tried, before any time goes into the
  // mix.
  const TSongSamples samples(request.Song, request.WaveFolder, say);
  TAtomicFile file(request.Output);
  TAudioFileWriter writer(file, request.Format, request.Rate,
                          WaveContainerFor(RenderFrameBound(request.Song, request.Loops,
                                                            request.WaveFolder, request.Rate)));
  TSongRenderer renderer(request.Rate, request.WaveFolder,
                         [&](const std::string& problem) { samples.Refused(problem); });
  try {
    renderer.Render(
        request.Song, request.Loops,
        [&](const float* frames, std::size_t count) { writer.Write(frames, count); },
        [&](int64_t done, int64_t total) {
          if (progress && !progress(done, total)) throw TStopped{};
        });
  } catch (const TStopped&) {
    return false;  // the file's temporary goes with it
  }
  writer.Close();
  file.Commit();
  return true;
}
