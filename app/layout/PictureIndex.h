#pragma once

// Where each picture sits in its image list. A button shows its state by switching
// between an "off" and an "on" picture; handlers set the index explicitly.

namespace CommonPicture {
inline constexpr int New = 0;
inline constexpr int Open = 1;
inline constexpr int Save = 2;
inline constexpr int Import = 3;  // from the clipboard
inline constexpr int Options = 4;
}  // namespace CommonPicture

namespace PlayerPicture {
inline constexpr int PlayStopped = 0;
inline constexpr int PlayPlaying = 1;
inline constexpr int StopPlaying = 2;
inline constexpr int StopStopped = 3;
inline constexpr int LoopUp = 4;
inline constexpr int LoopDown = 5;
}  // namespace PlayerPicture

namespace EtcPicture {
inline constexpr int EraserUp = 0;
inline constexpr int EraserDown = 1;
inline constexpr int Time34Up = 2;
inline constexpr int Time34Down = 3;
inline constexpr int Time44Up = 4;
inline constexpr int Time44Down = 5;
// The three spare buttons: each "up" picture is followed by its "down" one.
inline constexpr int Etc1Up = 6;
inline constexpr int Etc2Up = 8;
inline constexpr int Etc3Up = 10;
inline constexpr int UndoReleased = 12;
inline constexpr int UndoHeld = 13;
}  // namespace EtcPicture

namespace SoundPicture {
// The icon of tool n (1..17), on its palette button, on every note of it and on the pointer.
inline constexpr int Tool(int n) { return n - 1; }
inline constexpr int CellFrame = 17;  // the four corners that mark the cell under the pointer
}  // namespace SoundPicture

namespace PomvikPicture {
// The walking figure's two steps at the playing position.
inline constexpr int StepOnOddTick = 1;
inline constexpr int StepOnEvenTick = 0;
}  // namespace PomvikPicture
