// A song written to a file, the one way pomvik-render and the window's "export audio" both
// write it: audio through the offline mix, or the notes as MIDI, appearing whole or not at
// all.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "core/SongText.h"
#include "tools/render/OutputFormat.h"
#include "tools/render/RenderSong.h"

struct TSongExport {
  TRenderSong Song;
  std::string Title;  // the MIDI file's track name
  std::filesystem::path Output;
  TOutputFormat Format = TOutputFormat::Wave;
  int Rate = 44100;
  int Loops = 1;  // passes through a looping song
  std::filesystem::path WaveFolder;
  std::filesystem::path SongFile;  // the file the song was read from, if any
};

// The song in a song file's lines, read with the program's own reader and tolerances;
// ERenderError naming `source` for what it refuses.
TRenderSong RenderSongFromLines(const TSongLines& lines, const std::string& source);

// Writes the file; never over its own input (the song file, a sample), which is a usage
// error. `say` hears each sample that is missing or damaged; `progress` hears the
// frames done of those up to the end of the last pass and answers whether to go on.
// Returns false when it was told to stop: nothing is then left behind and an existing file
// stays as it was. ERenderError (or the sound component's error) on failure, with the same
// guarantee.
bool ExportSong(const TSongExport& request, const std::function<void(const std::string&)>& say,
                const std::function<bool(int64_t done, int64_t total)>& progress = {});
