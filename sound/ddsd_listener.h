// TDDSDListener: the 3-D listener settings of a component with Use3D.
#pragma once

#include "sound/ds_types.h"

class TDDSD;

class TDDSDListener {
 public:
  // Front (0, 0, 1), top (0, 1, 0), factors 1; sent to the component's listener interface.
  explicit TDDSDListener(TDDSD* ddsd);

  TDDSD* DDSD() const { return ddsd_; }
  const dsound::DS3DLISTENER& Params() const { return params_; }

 private:
  TDDSD* ddsd_;
  dsound::DS3DLISTENER params_;
};
