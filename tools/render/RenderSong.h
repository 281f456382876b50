// A song as the renderer plays it: the grid and the three settings the window keeps in
// its controls, here in plain variables.
#pragma once

#include "core/SongModel.h"
#include "core/SongText.h"

struct TRenderSong {
  TSong Song;
  TSongSettingsValues Settings;
};
