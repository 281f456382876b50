#include "app/FormSongSettings.h"

#include "app/layout/FormControls.h"
#include "app/layout/PictureIndex.h"
#include "app/layout/TempoDisplay.h"
#include "app/layout/ToolBar.h"

void ShowSettingsOnControls(TFormControls& controls, const TSongSettingsValues& settings) {
  TTempoDisplay::Show(*controls.TempoBar, settings.Tempo);
  // Checking a button by hand raises no click, the signal its handler takes.
  controls.LoopBtn->setChecked(settings.Loop);
  controls.LoopBtn->setImageIndex(settings.Loop ? PlayerPicture::LoopDown : PlayerPicture::LoopUp);
  // The two buttons are a group: pressing one releases the other.
  (settings.Time44 ? controls.TimeBtn44 : controls.TimeBtn34)->setChecked(true);
  controls.TimeBtn44->setImageIndex(settings.Time44 ? EtcPicture::Time44Down
                                                    : EtcPicture::Time44Up);
  controls.TimeBtn34->setImageIndex(settings.Time44 ? EtcPicture::Time34Up
                                                    : EtcPicture::Time34Down);
}
