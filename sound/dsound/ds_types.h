// The records, codes and flags of the DirectSound layer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dsound {

using HRESULT = int32_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using WORD = uint16_t;
using HWND = uintptr_t;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x1;
constexpr DWORD DSBCAPS_STATIC = 0x2;
constexpr DWORD DSBCAPS_CTRL3D = 0x10;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x4000;

constexpr DWORD DSBPLAY_LOOPING = 0x1;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;
constexpr int32_t DSBVOLUME_MIN = -10000;  // hundredths of a decibel
constexpr int32_t DSBVOLUME_MAX = 0;

constexpr DWORD DS3D_IMMEDIATE = 0;
constexpr DWORD DS3DMODE_NORMAL = 0;
constexpr DWORD DS3DMODE_HEADRELATIVE = 1;
constexpr DWORD DS3DMODE_DISABLE = 2;
constexpr DWORD DS3D_MAXCONEANGLE = 360;
constexpr float DS3D_MAXROLLOFFFACTOR = 10.0f;
constexpr float DS3D_MAXDOPPLERFACTOR = 10.0f;

constexpr WORD WAVE_FORMAT_PCM = 1;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend bool operator==(const GUID&, const GUID&) = default;
};

constexpr GUID IID_IDirectSound3DListener = {
    0x279AFA84, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
constexpr GUID IID_IDirectSound3DBuffer = {
    0x279AFA86, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

// The fmt chunk record exactly as a WAVE file stores it.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// dwSize is 20, the record's size on the platform the component was written for.
struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  WAVEFORMATEX* lpwfxFormat;
};
constexpr DWORD kDsBufferDescSize = 20;

struct D3DVECTOR {
  float x;
  float y;
  float z;
};

struct DS3DBUFFER {
  DWORD dwSize;
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  DWORD dwInsideConeAngle;
  DWORD dwOutsideConeAngle;
  D3DVECTOR vConeOrientation;
  int32_t lConeOutsideVolume;
  float flMinDistance;
  float flMaxDistance;
  DWORD dwMode;
};
static_assert(sizeof(DS3DBUFFER) == 64);

struct DS3DLISTENER {
  DWORD dwSize;
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  D3DVECTOR vOrientFront;
  D3DVECTOR vOrientTop;
  float flDistanceFactor;
  float flRolloffFactor;
  float flDopplerFactor;
};
static_assert(sizeof(DS3DLISTENER) == 64);

// DirectSound's settings for a new 3-D buffer and for the listener.
constexpr DS3DBUFFER kDefault3DBuffer{.dwSize = sizeof(DS3DBUFFER),
                                      .vPosition = {0.0f, 0.0f, 0.0f},
                                      .vVelocity = {0.0f, 0.0f, 0.0f},
                                      .dwInsideConeAngle = DS3D_MAXCONEANGLE,
                                      .dwOutsideConeAngle = DS3D_MAXCONEANGLE,
                                      .vConeOrientation = {0.0f, 0.0f, 1.0f},
                                      .lConeOutsideVolume = DSBVOLUME_MAX,
                                      .flMinDistance = 1.0f,
                                      .flMaxDistance = 1.0e9f,
                                      .dwMode = DS3DMODE_NORMAL};
constexpr DS3DLISTENER kDefault3DListener{.dwSize = sizeof(DS3DLISTENER),
                                          .vPosition = {0.0f, 0.0f, 0.0f},
                                          .vVelocity = {0.0f, 0.0f, 0.0f},
                                          .vOrientFront = {0.0f, 0.0f, 1.0f},
                                          .vOrientTop = {0.0f, 1.0f, 0.0f},
                                          .flDistanceFactor = 1.0f,
                                          .flRolloffFactor = 1.0f,
                                          .flDopplerFactor = 1.0f};

class IDirectSound;
class IDirectSoundBuffer;
class AlDevice;      // OpenAL's side of a device, private to the layer
class AlSampleData;  // the sound data buffers share, private to the layer
class IDirectSound3DBuffer;
class IDirectSound3DListener;

}  // namespace dsound
