// TDDSDGenWave: one WAVE file loaded whole into a static buffer of the component's device.
// Channels play duplicates of the buffer, never the buffer itself.
#pragma once

#include <cstdint>
#include <string>

#include "sound/dsound/ds_types.h"

class TDDSD;

class TDDSDGenWave {
 public:
  // Loads the file (LoadWAV). Failures are reported through ReportError / CheckResult and
  // leave the sample without sound; only a raised report (EDDSD) leaves the constructor.
  TDDSDGenWave(TDDSD* ddsd, const std::string& fileName, bool is3D);
  virtual ~TDDSDGenWave();
  TDDSDGenWave(const TDDSDGenWave&) = delete;
  TDDSDGenWave& operator=(const TDDSDGenWave&) = delete;

  // Null when loading stopped before the buffer was filled.
  dsound::IDirectSoundBuffer* Buffer() const { return buffer_; }
  const dsound::WAVEFORMATEX& Format() const { return format_; }
  uint32_t DataSize() const { return dataSize_; }
  TDDSD* DDSD() const { return ddsd_; }

 private:
  void LoadWAV(const std::string& fileName, bool is3D);
  void ReleaseBuffer();

  dsound::IDirectSoundBuffer* buffer_ = nullptr;
  dsound::WAVEFORMATEX format_{};
  uint32_t dataSize_ = 0;
  TDDSD* ddsd_ = nullptr;
};
