#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/SongModel.h"

// What keeps one sample silent: the file and, in a phrase, what is wrong with it.
struct TSampleProblem {
  int Wave = 0;  // 1..29
  std::filesystem::path File;
  std::string Cause;
  bool Plays = false;  // damaged, yet the part of it that is there plays

  // "waves/Sound7.wav: cannot be opened: No such file or directory"
  std::string Text() const { return File.string() + ": " + Cause; }
};

// Sample `wave` in `folder` checked by the sound component's own loading rules, with no
// device: what a start with a device would find wrong with it (a file cut short included,
// which loads), or nothing.
std::optional<TSampleProblem> CheckWaveFile(const std::filesystem::path& folder, int wave);
// The same for every sample of the bank, in ascending order.
std::vector<TSampleProblem> CheckWaveFiles(const std::filesystem::path& folder);

// The samples that playing `song` sounds, ascending: those of the notes in columns
// 1 .. EndColumn - 1, with the alternate recordings of the top rows.
std::vector<int> WavesOfSong(const TSong& song);
