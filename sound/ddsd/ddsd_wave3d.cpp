#include "sound/ddsd/ddsd_wave3d.h"

TDDSDWave3D::TDDSDWave3D(TDDSD* ddsd, const std::string& fileName)
    : TDDSDGenWave(ddsd, fileName, true), params3D_(std::make_unique<TDDSDParams3D>()) {}

// The parameters go before the buffer is released by the base.
TDDSDWave3D::~TDDSDWave3D() { params3D_.reset(); }
