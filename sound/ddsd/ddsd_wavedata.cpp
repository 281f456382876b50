#include "sound/ddsd/ddsd_wavedata.h"

TDDSDWaveData::TDDSDWaveData(TDDSD* ddsd, const std::string& fileName)
    : TDDSDGenWave(ddsd, fileName, false) {}
