// Where the samples are looked for when no folder is named: waves/ in the current folder
// (as the program always has), waves/ beside the executable (the build folder), then the
// installed data folder.
#pragma once

#include <filesystem>
#include <vector>

std::vector<std::filesystem::path> WaveFolderCandidates();

// The first candidate that is a folder, or empty when none is.
std::filesystem::path FindWaveFolder();
