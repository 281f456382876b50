// TDDSDListener: the 3-D listener settings of a component with Use3D.
#pragma once

#include "sound/dsound/ds_types.h"

class TDDSDReport;

class TDDSDListener {
 public:
  // Front (0, 0, 1), top (0, 1, 0), factors 1; sent to the component's listener interface,
  // if it has one, and a refusal reported through the component's `report`.
  TDDSDListener(dsound::IDirectSound3DListener* listener3D, TDDSDReport& report);

  const dsound::DS3DLISTENER& Params() const { return params_; }

 private:
  dsound::DS3DLISTENER params_;
};
