// TDDSDParams3D: the 3-D settings of a channel, or of a 3-D sample.
#pragma once

#include "sound/dsound/ds_types.h"

class TDDSDReport;

class TDDSDParams3D {
 public:
  // Defaults as DirectSound's, except minimum distance 5 and maximum distance 100. Nothing is
  // sent anywhere until a 3-D buffer is attached; a refusal then goes to `report` (a
  // channel's component's; a sample's settings are never sent).
  explicit TDDSDParams3D(TDDSDReport* report = nullptr);

  // The 3-D buffer these settings belong to: set by the channel that owns them whenever its
  // buffer changes; none for a sample's settings.
  void setBuffer3D(dsound::IDirectSound3DBuffer* buffer3D) { buffer3D_ = buffer3D; }
  // The record, refreshed from the device while a 3-D buffer is attached.
  dsound::DS3DBUFFER Params();
  // Copies Source's record and sends it to the attached 3-D buffer, if any.
  void Assign(TDDSDParams3D& Source);
  // Sets the record and sends it as Assign does.
  void setParams(const dsound::DS3DBUFFER& value);

 private:
  void Apply();

  TDDSDReport* report_;
  dsound::IDirectSound3DBuffer* buffer3D_ = nullptr;
  dsound::DS3DBUFFER params_;
};
