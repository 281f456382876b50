#pragma once

#include "core/SongText.h"

struct TFormControls;

// The song settings as the window keeps them: tempo on its slider, loop and time signature
// on their buttons, each showing its state in its picture.
class TFormSongSettings final : public TSongSettingsStore {
 public:
  explicit TFormSongSettings(TFormControls& controls) : controls_(controls) {}

  // The slider clamps the tempo; when its position changes, its change handler runs.
  void ApplyTempo(int32_t tempo) override;
  // The buttons' click handlers do not run.
  void ApplyLoop(bool on) override;
  void ApplyTime44(bool on) override;
  TSongSettingsValues Current() const override { return Read(controls_); }

  static TSongSettingsValues Read(const TFormControls& controls);

 private:
  TFormControls& controls_;
};
