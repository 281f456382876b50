#pragma once

#include <filesystem>
#include <vector>

// Where the samples are looked for: waves/ in the current folder (as the program always
// has), waves/ beside the executable (the build folder), then the data folder of an
// installed copy, found from the executable's place so that an installed tree can move.
std::vector<std::filesystem::path> SampleFolderCandidates();

// The first of `candidates` that holds at least one sample file, or empty when none does.
// A folder that merely exists under the same name (say a user's own ~/waves) does not
// hide the sample set.
std::filesystem::path FindSampleFolder(const std::vector<std::filesystem::path>& candidates);
std::filesystem::path FindSampleFolder();
// The folder the program loads its samples from: the one found, or else waves/ of the
// current folder, where each sample is then missing as it always was.
std::filesystem::path ChosenSampleFolder();
