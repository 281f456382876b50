#pragma once

#include "core/SongText.h"

struct TFormControls;

// Shows the song's settings on the window's controls: the tempo on its slider and in its
// tooltip, loop and time signature on their buttons, each in its picture. No change handler
// runs, so what a song sets is never taken for a change the user made.
void ShowSettingsOnControls(TFormControls& controls, const TSongSettingsValues& settings);
