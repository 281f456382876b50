// TDDSDParams3D: the 3-D settings of a channel, or of a 3-D sample (no channel).
#pragma once

#include "sound/ds_types.h"

class TDDSDChannel;

class TDDSDParams3D {
 public:
  // Defaults as DirectSound's, except minimum distance 5 and maximum distance 100.
  explicit TDDSDParams3D(TDDSDChannel* channel);

  TDDSDChannel* Channel() const { return channel_; }
  // The record, refreshed from the device while the channel holds a 3-D buffer.
  dsound::DS3DBUFFER Params();
  // Copies Source's record and sends it to the channel's 3-D buffer, if any.
  void Assign(TDDSDParams3D& Source);
  // Sets the record and sends it as Assign does.
  void setParams(const dsound::DS3DBUFFER& value);

 private:
  void Apply();

  TDDSDChannel* channel_;
  dsound::DS3DBUFFER params_;
};
