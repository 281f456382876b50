// A RIFF reader with the open / descend / read / ascend / close steps the WAVE loader walks.
// Whatever sizes a file claims, it never reads past the chunk it is in, nor past the file:
// every chunk's extent is clamped to its parent's and to the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace mmio {

using FOURCC = uint32_t;

// First character in the low byte, as the bytes lie in the file.
constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<uint8_t>(a)) |
         static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8 |
         static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16 |
         static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24;
}

constexpr uint32_t MMIO_FINDCHUNK = 0x10;
constexpr uint32_t MMIO_FINDRIFF = 0x20;

constexpr uint32_t MMSYSERR_NOERROR = 0;
constexpr uint32_t MMIOERR_CANNOTREAD = 256 + 5;
constexpr uint32_t MMIOERR_CHUNKNOTFOUND = 256 + 9;

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');

struct MMCKINFO {
  FOURCC ckid = 0;
  uint32_t cksize = 0;  // as the file declares it
  FOURCC fccType = 0;
  uint32_t dwDataOffset = 0;
  uint32_t dwFlags = 0;
};

class MmioFile {
 public:
  // Opens a regular file for buffered reading, never waiting; null when it cannot be opened
  // (errno set) or is no regular file (errno 0).
  static std::unique_ptr<MmioFile> Open(const std::string& fileName);
  ~MmioFile();
  MmioFile(const MmioFile&) = delete;
  MmioFile& operator=(const MmioFile&) = delete;

  // MMIO_FINDRIFF: the next RIFF chunk of form chunk.fccType, leaving the position after the
  // form type. MMIO_FINDCHUNK: the next chunk with id chunk.ckid within parent (or the file),
  // leaving the position at its first data byte. No flag: the chunk at the position.
  // Searches forward from the current position; MMIOERR_CHUNKNOTFOUND when there is none.
  uint32_t Descend(MMCKINFO& chunk, const MMCKINFO* parent, uint32_t flags);
  // Reads up to bytes from the position, stopping at the end of the innermost chunk
  // descended into and at the end of the file; returns the count read.
  uint32_t Read(void* destination, uint32_t bytes);
  // Moves past the end of chunk (and its pad byte when its size is odd).
  uint32_t Ascend(const MMCKINFO& chunk);
  // Bytes a Read could still return from the innermost chunk.
  uint64_t Remaining() const { return position_ < Limit() ? Limit() - position_ : 0; }
  void Close();

 private:
  struct Extent {
    uint64_t dataStart;
    uint64_t end;  // clamped to the parent's end and the file's
  };

  MmioFile(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
  bool ReadAt(uint64_t offset, void* destination, uint32_t bytes);
  uint64_t Limit() const;

  std::FILE* file_;
  uint64_t size_;
  uint64_t position_ = 0;
  std::vector<Extent> open_;  // chunks descended into and not yet ascended out of
};

}  // namespace mmio
