#include "tools/render/SongSamples.h"

#include <algorithm>

#include "core/SampleBank.h"
#include "core/SampleCheck.h"
#include "core/SampleFolder.h"
#include "tools/render/RenderError.h"

TSongSamples::TSongSamples(const TRenderSong& song, const std::filesystem::path& folder,
                           const TSay& say) {
  const std::vector<int> used = WavesOfSong(song.Song);
  const auto sounds = [&](int wave) { return std::ranges::binary_search(used, wave); };
  if (folder.empty() || FindSampleFolder({folder}).empty()) {
    if (!used.empty() && folder.empty()) {
      std::string places;
      for (const auto& candidate : SampleFolderCandidates())
        places += (places.empty() ? "" : ", ") + candidate.string();
      throw ERenderError("no sample folder (looked in " + places +
                         "); the song's notes need samples: name their folder with --waves");
    }
    if (!used.empty())
      throw ERenderError(
          folder.string() + ": holds none of the samples (" + WaveFileName(1).filename().string() +
          " .. " + WaveFileName(WaveBankSize).filename().string() + ") that the song's notes need");
    // Nothing sounds: the silence written is the song.
    for (int n = 1; n <= WaveBankSize; ++n)
      known_.push_back((folder / WaveFileName(n).filename()).string());
    return;
  }
  int unplayable = 0;
  for (const TSampleProblem& problem : CheckWaveFiles(folder)) {
    known_.push_back(problem.File.string());
    if (sounds(problem.Wave)) {
      say(problem.Text());
      ++unplayable;
    } else {
      say(problem.Text() + " (not used by this song)");
    }
  }
  if (unplayable > 0)
    throw ERenderError(std::to_string(unplayable) + (unplayable == 1 ? " sample" : " samples") +
                       " that the song sounds cannot be played whole; nothing was written");
}

void TSongSamples::Refused(const std::string& problem) const {
  // The renderer's reports begin with the file's name.
  for (const std::string& file : known_)
    if (problem.starts_with(file)) return;
  throw ERenderError(problem);
}
