#include "sound/riff/mmio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mmio {
namespace {

uint32_t LittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t PaddedEnd(uint64_t dataStart, uint32_t size) { return dataStart + size + (size & 1u); }

}  // namespace

std::unique_ptr<MmioFile> MmioFile::Open(const std::string& fileName) {
  // Only a regular file: a FIFO would wait for a writer and a device might never end, so
  // the open must not wait either, and the file is checked before anything is read.
  const int fd = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    errno = 0;
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  if (fseeko(file, 0, SEEK_END) != 0) {
    std::fclose(file);
    return nullptr;
  }
  off_t size = ftello(file);
  if (size < 0 || fseeko(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return std::unique_ptr<MmioFile>(new MmioFile(file, static_cast<uint64_t>(size)));
}

MmioFile::~MmioFile() { Close(); }

void MmioFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  open_.clear();
}

uint64_t MmioFile::Limit() const { return open_.empty() ? size_ : open_.back().end; }

bool MmioFile::ReadAt(uint64_t offset, void* destination, uint32_t bytes) {
  if (file_ == nullptr || offset > size_ || bytes > size_ - offset) return false;
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  return std::fread(destination, 1, bytes, file_) == bytes;
}

uint32_t MmioFile::Descend(MMCKINFO& chunk, const MMCKINFO* parent, uint32_t flags) {
  if (file_ == nullptr) return MMIOERR_CANNOTREAD;
  // The search stays inside the parent; without one, inside the innermost open chunk.
  uint64_t limit = size_;
  if (parent != nullptr) {
    auto it = std::find_if(open_.rbegin(), open_.rend(),
                           [&](const Extent& e) { return e.dataStart == parent->dwDataOffset; });
    limit = it != open_.rend()
                ? it->end
                : std::min<uint64_t>(size_, uint64_t{parent->dwDataOffset} + parent->cksize);
  } else if (!open_.empty()) {
    limit = open_.back().end;
  }

  uint64_t at = position_;
  while (at <= limit && limit - at >= 8) {
    uint8_t header[8];
    if (!ReadAt(at, header, sizeof header)) break;
    uint32_t id = LittleEndian32(header);
    uint32_t size = LittleEndian32(header + 4);
    uint64_t dataStart = at + 8;
    bool found = false;
    FOURCC formType = 0;
    if ((flags & MMIO_FINDRIFF) != 0) {
      uint8_t form[4];
      found = id == FOURCC_RIFF && limit - dataStart >= 4 && ReadAt(dataStart, form, 4) &&
              LittleEndian32(form) == chunk.fccType;
      formType = chunk.fccType;
    } else if ((flags & MMIO_FINDCHUNK) != 0) {
      found = id == chunk.ckid;
    } else {
      found = true;
      uint8_t form[4];
      if (id == FOURCC_RIFF && limit - dataStart >= 4 && ReadAt(dataStart, form, 4))
        formType = LittleEndian32(form);
    }
    if (found) {
      // Offsets past 4 GiB cannot be told in the record; such files are not WAVE samples.
      if (dataStart > UINT32_MAX) break;
      chunk.ckid = id;
      chunk.cksize = size;
      chunk.fccType = formType;
      chunk.dwDataOffset = static_cast<uint32_t>(dataStart);
      chunk.dwFlags = 0;
      open_.push_back({dataStart, std::min<uint64_t>(limit, dataStart + size)});
      position_ = id == FOURCC_RIFF && formType != 0 ? dataStart + 4 : dataStart;
      return MMSYSERR_NOERROR;
    }
    at = PaddedEnd(dataStart, size);
  }
  return MMIOERR_CHUNKNOTFOUND;
}

uint32_t MmioFile::Read(void* destination, uint32_t bytes) {
  uint64_t limit = Limit();
  if (file_ == nullptr || position_ >= limit) return 0;
  uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(bytes, limit - position_));
  if (fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) return 0;
  size_t read = std::fread(destination, 1, count, file_);
  position_ += read;
  return static_cast<uint32_t>(read);
}

uint32_t MmioFile::Ascend(const MMCKINFO& chunk) {
  if (file_ == nullptr) return MMIOERR_CANNOTREAD;
  auto it = std::find_if(open_.rbegin(), open_.rend(),
                         [&](const Extent& e) { return e.dataStart == chunk.dwDataOffset; });
  if (it != open_.rend()) open_.erase(std::next(it).base(), open_.end());
  position_ = PaddedEnd(chunk.dwDataOffset, chunk.cksize);
  return MMSYSERR_NOERROR;
}

}  // namespace mmio
