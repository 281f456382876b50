// TDDSDWave3D: a sample placed in space; every channel that takes it gets its Params3D.
#pragma once

#include <memory>
#include <string>

#include "sound/ddsd/ddsd_genwave.h"
#include "sound/ddsd/ddsd_params3d.h"

class TDDSDWave3D : public TDDSDGenWave {
 public:
  // Loads the file with the 3-D flag on (the device takes only mono data for that).
  TDDSDWave3D(TDDSD* ddsd, const std::string& fileName);
  ~TDDSDWave3D() override;

  TDDSDParams3D* Params3D() { return params3D_.get(); }

 private:
  std::unique_ptr<TDDSDParams3D> params3D_;
};
