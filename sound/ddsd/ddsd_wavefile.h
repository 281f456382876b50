// TDDSDWaveFile: a sample file walked to its sound data by the loader's rules, without a
// device. The loader reads its sound through it; a start check or the renderer asks it what
// is wrong with a file. What it refuses is a fault of the file: a buffer that the device
// then cannot make is a fault of the device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sound/dsound/ds_types.h"

namespace mmio {
class MmioFile;
}

enum class TDDSDWaveFault : uint8_t {
  None,
  NotFound,
  NotWave,
  NoFmtChunk,
  BadFmtChunk,
  NoDataChunk,
  NotPlayable,  // not 8- or 16-bit PCM, mono or stereo (mono in space), at a rate a buffer takes
  NoSound,      // fewer bytes of sound than the smallest buffer
  TooLarge,     // more bytes of sound than the largest buffer
};

class TDDSDWaveFile {
 public:
  // Opens the file and walks to the first byte of its sound data. A file it cannot use is
  // closed at once, before anyone reports it.
  TDDSDWaveFile(const std::string& fileName, bool is3D);
  ~TDDSDWaveFile();
  TDDSDWaveFile(const TDDSDWaveFile&) = delete;
  TDDSDWaveFile& operator=(const TDDSDWaveFile&) = delete;

  TDDSDWaveFault Fault() const { return fault_; }
  // The loader's report: the file name followed directly by its message; empty when the
  // file is fine.
  std::string ReportText() const;
  // What is wrong, in English, for the standard error; empty when the file is fine.
  const std::string& Cause() const { return cause_; }
  // A file that loads but whose sound data ends before its data chunk says: what is wrong,
  // in English; empty for a whole file and for one with a fault.
  const std::string& Damage() const { return damage_; }

  // The fmt chunk as read (zero where the walk stopped before it).
  const dsound::WAVEFORMATEX& Format() const { return format_; }
  // Bytes of sound data really in the file, up to what the data chunk claims.
  uint32_t DataSize() const { return dataSize_; }
  // Reads the sound data on from where the last read ended; fewer bytes at the file's end.
  uint32_t Read(void* destination, uint32_t bytes);
  void Close();

 private:
  void Walk(bool is3D);
  void CheckSound(bool is3D);
  void Fail(TDDSDWaveFault fault, std::string cause);

  std::string fileName_;
  std::unique_ptr<mmio::MmioFile> file_;
  dsound::WAVEFORMATEX format_{};
  uint32_t dataSize_ = 0;
  TDDSDWaveFault fault_ = TDDSDWaveFault::None;
  std::string cause_;
  std::string damage_;
};
