// The samples of a render, checked before any output is made: a sample that the song's
// notes sound and that is missing or damaged ends the render, so that no silent note is
// ever written as a success. The others stay silent and are named.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/render/RenderSong.h"

class TSongSamples {
 public:
  using TSay = std::function<void(const std::string&)>;

  // Checks the samples in `folder` (empty: no folder holds any) by the loader's own rules.
  // ERenderError when the song sounds one that cannot be played; each is named through
  // `say` first, as are the unused ones that cannot.
  TSongSamples(const TRenderSong& song, const std::filesystem::path& folder, const TSay& say);

  // For the renderer's report of a sample it could not load: a file named above is known;
  // any other (a buffer the device refused) ends the render with the report.
  void Refused(const std::string& problem) const;

 private:
  std::vector<std::string> known_;  // the files named at the check
};
