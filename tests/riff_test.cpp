#include <gtest/gtest.h>

#include <random>

#include "sound/riff/mmio.h"
#include "tests/sound_test_support.h"

using namespace mmio;
using soundtest::Chunk;
using soundtest::Riff;
using soundtest::TempDir;

namespace {

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

TEST(RiffReader, FourCcPacksFirstCharacterLow) {
  EXPECT_EQ(mmioFOURCC('W', 'A', 'V', 'E'), 0x45564157u);
  EXPECT_EQ(mmioFOURCC('f', 'm', 't', ' '), 0x20746D66u);
}

TEST(RiffReader, WalksChunksAndSkipsPadBytes) {
  TempDir dir;
  // An odd-sized chunk before fmt: the pad byte must be stepped over to find the next one.
  std::string name = dir.Write("a.wav", Riff({{"junk", Bytes({1, 2, 3})},
                                              {"fmt ", Bytes({10, 11, 12, 13})},
                                              {"data", Bytes({20, 21, 22, 23, 24, 25})}}));
  auto file = MmioFile::Open(name);
  ASSERT_TRUE(file);

  MMCKINFO riff{};
  riff.fccType = kWave;
  ASSERT_EQ(file->Descend(riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.ckid, FOURCC_RIFF);
  EXPECT_EQ(riff.dwDataOffset, 8u);

  MMCKINFO fmt{};
  fmt.ckid = kFmt;
  ASSERT_EQ(file->Descend(fmt, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(fmt.cksize, 4u);
  uint8_t buf[16] = {};
  // Asking for more than the chunk holds stops at its end.
  EXPECT_EQ(file->Read(buf, sizeof buf), 4u);
  EXPECT_EQ(buf[0], 10);
  EXPECT_EQ(buf[3], 13);
  EXPECT_EQ(file->Read(buf, sizeof buf), 0u);
  file->Ascend(fmt);

  MMCKINFO data{};
  data.ckid = kData;
  ASSERT_EQ(file->Descend(data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(data.cksize, 6u);
  EXPECT_EQ(file->Read(buf, 2), 2u);
  EXPECT_EQ(buf[0], 20);
  EXPECT_EQ(file->Remaining(), 4u);
}

TEST(RiffReader, SearchesOnlyForwardAndOnlyInsideTheParent) {
  TempDir dir;
  // data before fmt: searching for data after fmt finds nothing.
  std::string name = dir.Write("b.wav", Riff({{"data", Bytes({1, 2})}, {"fmt ", Bytes({3, 4})}}));
  auto file = MmioFile::Open(name);
  MMCKINFO riff{};
  riff.fccType = kWave;
  ASSERT_EQ(file->Descend(riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO fmt{};
  fmt.ckid = kFmt;
  ASSERT_EQ(file->Descend(fmt, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  file->Ascend(fmt);
  MMCKINFO data{};
  data.ckid = kData;
  EXPECT_EQ(file->Descend(data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);

  // A chunk that lies after the end the RIFF chunk declares is not inside it.
  std::vector<uint8_t> bytes = Riff({{"fmt ", Bytes({1, 2})}});
  std::vector<uint8_t> tail = Riff({{"data", Bytes({5, 6})}});
  bytes.insert(bytes.end(), tail.begin() + 12, tail.end());
  auto outside = MmioFile::Open(dir.Write("c.wav", bytes));
  MMCKINFO riff2{};
  riff2.fccType = kWave;
  ASSERT_EQ(outside->Descend(riff2, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data2{};
  data2.ckid = kData;
  EXPECT_EQ(outside->Descend(data2, &riff2, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
}

TEST(RiffReader, FindRiffWantsTheFormType) {
  TempDir dir;
  auto other = MmioFile::Open(dir.Write("avi", Riff({{"fmt ", Bytes({1, 2})}}, "AVI ")));
  MMCKINFO riff{};
  riff.fccType = kWave;
  EXPECT_EQ(other->Descend(riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);

  // A second RIFF chunk of the right form after one of another is found.
  std::vector<uint8_t> two = Riff({{"x   ", Bytes({1})}}, "AVI ");
  std::vector<uint8_t> wave = Riff({{"fmt ", Bytes({7, 8})}});
  two.insert(two.end(), wave.begin(), wave.end());
  auto both = MmioFile::Open(dir.Write("two", two));
  MMCKINFO riff2{};
  riff2.fccType = kWave;
  ASSERT_EQ(both->Descend(riff2, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO fmt{};
  fmt.ckid = kFmt;
  ASSERT_EQ(both->Descend(fmt, &riff2, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  uint8_t b[2];
  EXPECT_EQ(both->Read(b, 2), 2u);
  EXPECT_EQ(b[0], 7);

  EXPECT_FALSE(MmioFile::Open((dir.path() / "missing.wav").string()));
  EXPECT_FALSE(MmioFile::Open(dir.path().string()));  // a folder is no file
}

TEST(RiffReader, SizesThatLieAreClampedToTheFile) {
  TempDir dir;
  // The data chunk claims far more than the file has; the RIFF chunk claims too little.
  std::vector<uint8_t> bytes =
      Riff({{"fmt ", Bytes({1, 2, 3, 4})}, {"data", Bytes({9, 9, 9}), 0x7FFFFFF0}});
  auto file = MmioFile::Open(dir.Write("lie.wav", bytes));
  MMCKINFO riff{};
  riff.fccType = kWave;
  ASSERT_EQ(file->Descend(riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data{};
  data.ckid = kData;
  ASSERT_EQ(file->Descend(data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(data.cksize, 0x7FFFFFF0u);
  EXPECT_EQ(file->Remaining(), 4u);  // three bytes and the pad byte are all there is
  std::vector<uint8_t> buf(64);
  EXPECT_EQ(file->Read(buf.data(), 64), 4u);
  file->Ascend(data);
  EXPECT_EQ(file->Read(buf.data(), 64), 0u);

  // Headers cut short: nothing is found and nothing is read.
  for (size_t cut : {0u, 3u, 8u, 11u, 12u, 15u}) {
    std::vector<uint8_t> shortFile(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    auto f = MmioFile::Open(dir.Write("cut" + std::to_string(cut), shortFile));
    MMCKINFO r{};
    r.fccType = kWave;
    MMCKINFO c{};
    c.ckid = kFmt;
    bool inside = f->Descend(r, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR;
    EXPECT_EQ(inside, cut >= 12) << cut;
    if (inside) {
      EXPECT_EQ(f->Descend(c, &r, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND) << cut;
    }
  }
}

// Random damage to a valid file never makes the reader read outside the file or hang; under
// the sanitizer build an over-read would stop the test.
TEST(RiffReader, SurvivesDamagedFiles) {
  TempDir dir;
  std::vector<uint8_t> good = soundtest::SineWav(440, 8000, 0.01);
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes = good;
    int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      size_t at = random() % bytes.size();
      bytes[at] = static_cast<uint8_t>(random());
    }
    bytes.resize(random() % (bytes.size() + 1));
    auto file = MmioFile::Open(dir.Write("d.wav", bytes));
    ASSERT_TRUE(file);
    MMCKINFO riff{};
    riff.fccType = kWave;
    if (file->Descend(riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) continue;
    for (FOURCC id : {kFmt, kData}) {
      MMCKINFO c{};
      c.ckid = id;
      if (file->Descend(c, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) break;
      std::vector<uint8_t> buf(bytes.size() + 16);
      uint32_t got = file->Read(buf.data(), static_cast<uint32_t>(buf.size()));
      EXPECT_LE(c.dwDataOffset + got, bytes.size());
      file->Ascend(c);
    }
  }
}

}  // namespace
