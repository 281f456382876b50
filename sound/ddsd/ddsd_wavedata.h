// TDDSDWaveData: a plain sample, the kind the program plays.
#pragma once

#include <string>

#include "sound/ddsd/ddsd_genwave.h"

class TDDSDWaveData : public TDDSDGenWave {
 public:
  TDDSDWaveData(TDDSD* ddsd, const std::string& fileName);
};
