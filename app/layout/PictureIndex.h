#pragma once

// Where each picture sits in its image list. A button shows its state by switching
// between an "off" and an "on" picture; handlers set the index explicitly.

namespace CommonPicture {
enum : int { New, Open, Save, Import /* from the clipboard */, Options };
}

namespace PlayerPicture {
enum : int { PlayStopped, PlayPlaying, StopPlaying, StopStopped, LoopUp, LoopDown };
}

// Each button's "up" picture is followed by its "down" one.
namespace EtcPicture {
enum : int {
  EraserUp,
  EraserDown,
  Time34Up,
  Time34Down,
  Time44Up,
  Time44Down,
  Etc1Up,
  Etc1Down,
  Etc2Up,
  Etc2Down,
  Etc3Up,
  Etc3Down,
  UndoReleased,
  UndoHeld
};
}

namespace SoundPicture {
// The icon of tool n (1..17), on its palette button, on every note of it and on the pointer.
inline constexpr int Tool(int n) { return n - 1; }
inline constexpr int CellFrame = 17;  // the four corners that mark the cell under the pointer
}  // namespace SoundPicture

// The walking figure's two steps at the playing position.
namespace PomvikPicture {
enum : int { StepOnEvenTick, StepOnOddTick };
}
