#include "app/FormSongSettings.h"

#include <QSlider>

#include "app/layout/FormControls.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/ToolBar.h"

void TFormSongSettings::ApplyTempo(int32_t tempo) { controls_.TempoBar->setValue(tempo); }

void TFormSongSettings::ApplyLoop(bool on) {
  controls_.LoopBtn->setChecked(on);
  controls_.LoopBtn->setImageIndex(on ? PlayerPicture::LoopDown : PlayerPicture::LoopUp);
}

void TFormSongSettings::ApplyTime44(bool on) {
  // The two buttons are a group: pressing one releases the other.
  (on ? controls_.TimeBtn44 : controls_.TimeBtn34)->setChecked(true);
  controls_.TimeBtn44->setImageIndex(on ? EtcPicture::Time44Down : EtcPicture::Time44Up);
  controls_.TimeBtn34->setImageIndex(on ? EtcPicture::Time34Up : EtcPicture::Time34Down);
}

TSongSettingsValues TFormSongSettings::Read(const TFormControls& controls) {
  return {controls.TempoBar->value(), controls.LoopBtn->isChecked(),
          controls.TimeBtn44->isChecked()};
}
