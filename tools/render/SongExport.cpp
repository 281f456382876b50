#include "tools/render/SongExport.h"

#include <sys/stat.h>

#include <vector>

#include "core/ConvertError.h"
#include "core/SampleBank.h"
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

namespace {
// Whether two names lead to one file, links followed: the same device and inode.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat first {
  }, second{};
  return !a.empty() && !b.empty() && stat(a.c_str(), &first) == 0 &&
         stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

void RefuseOwnInput(const TSongExport& request) {
  std::vector<std::filesystem::path> inputs{request.SongFile};
  if (!request.WaveFolder.empty())
    for (int n = 1; n <= WaveBankSize; ++n)
      inputs.push_back(request.WaveFolder / WaveFileName(n).filename());
  for (const std::filesystem::path& input : inputs)
    if (SameFile(request.Output, input))
      throw EUsageError(request.Output.string() + " is " + input.string() +
                        ", which the render reads; nothing was written");
}
}  // namespace

bool ExportSong(const TSongExport& request, const std::function<void(const std::string&)>& say,
                const std::function<bool(int64_t, int64_t)>& progress) {
  RefuseOwnInput(request);
  // libsndfile finishes a WAVE header and an Opus stream's first page last, at their start:
  // a stream cannot go back to them.
  if ((request.Format == TOutputFormat::Wave || request.Format == TOutputFormat::Opus) &&
      TAtomicFile::IsStream(request.Output))
    throw EUsageError(request.Output.string() +
                      " is a FIFO or a device, into which WAVE and Opus cannot be written; "
                      "FLAC, Ogg Vorbis, MP3 and MIDI can");
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
