// Wave audio devices in the shape the editor's engines expect: a device is
// opened by index (or -1 for the default device) in a PCM format, buffers
// are described by headers that the caller prepares and queues, and the
// device hands each buffer back in queue order with a notification.
//
// Each open device runs a thread of its own that moves the queued buffers
// through a blocking PortAudio stream. Notifications run on that thread,
// never inside a PortAudio callback (the layer uses none), so a notification
// may call back into this layer: queue, restart, reset, even close the
// device that notified.
//
// Every function returns one of the result codes below; a handle that is
// not open gives WAVE_INVALID_HANDLE.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

inline constexpr uint32_t WAVE_NO_ERROR = 0;
inline constexpr uint32_t WAVE_ERROR = 1;           // unspecified failure
inline constexpr uint32_t WAVE_BAD_DEVICE_ID = 2;   // index beyond the device list
inline constexpr uint32_t WAVE_ALLOCATED = 4;       // device in use elsewhere
inline constexpr uint32_t WAVE_INVALID_HANDLE = 5;  // not an open device
inline constexpr uint32_t WAVE_NO_DRIVER = 6;       // no device of that direction at all
inline constexpr uint32_t WAVE_NO_MEMORY = 7;       // memory or resources exhausted
inline constexpr uint32_t WAVE_INVALID_PARAM = 11;  // null header or data
inline constexpr uint32_t WAVE_BAD_FORMAT = 32;     // the device refuses the format
inline constexpr uint32_t WAVE_STILL_PLAYING = 33;  // buffers are still queued
inline constexpr uint32_t WAVE_UNPREPARED = 34;     // header was not prepared

inline constexpr int WAVE_DEFAULT_DEVICE = -1;

// Header flags.
inline constexpr uint32_t WAVE_HDR_DONE = 0x01;      // handed back by the device
inline constexpr uint32_t WAVE_HDR_PREPARED = 0x02;  // prepared, may be queued
inline constexpr uint32_t WAVE_HDR_INQUEUE = 0x10;   // queued at the device

struct WaveFormat {
  int channels = 0;       // 1 or 2
  int sampleRate = 0;     // frames per second
  int bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
  int BlockAlign() const { return channels * (bitsPerSample / 8); }
  int64_t BytesPerSecond() const { return int64_t{sampleRate} * BlockAlign(); }
};

// One buffer. The caller owns the header and its data; between queueing
// and the notification the device reads (output) or fills (input) them.
// `flags` is read by the owner while the device thread updates it.
struct WaveHeader {
  uint8_t* data = nullptr;
  uint32_t bufferLength = 0;   // bytes
  uint32_t bytesRecorded = 0;  // input: bytes filled when handed back
  std::atomic<uint32_t> flags{0};

  // The device's own bookkeeping; the caller leaves these alone.
  WaveHeader* next = nullptr;
  uint32_t offset = 0;
};

// Called on the device's thread once per buffer handed back, in queue order.
using WaveNotify = std::function<void()>;

using WaveHandle = uint32_t;  // 0 is never an open device
inline constexpr WaveHandle WAVE_NO_HANDLE = 0;

// --- output ---
// The stream starts at the first queued buffer; until then nothing sounds.
uint32_t WaveOutOpen(WaveHandle* handle, int deviceIndex, const WaveFormat& format,
                     WaveNotify notify);
uint32_t WaveOutPrepareHeader(WaveHandle handle, WaveHeader* header);
uint32_t WaveOutUnprepareHeader(WaveHandle handle, WaveHeader* header);
uint32_t WaveOutWrite(WaveHandle handle, WaveHeader* header);
// Pause holds the queue where it is; Restart goes on playing it.
uint32_t WaveOutPause(WaveHandle handle);
uint32_t WaveOutRestart(WaveHandle handle);
// Stops at once and hands back every queued buffer marked done.
uint32_t WaveOutReset(WaveHandle handle);
// WAVE_STILL_PLAYING while buffers are queued.
uint32_t WaveOutClose(WaveHandle handle);
// Low 16 bits left, high 16 bits right; 0xFFFF is full volume. Applied to
// the samples as they are handed to the stream.
uint32_t WaveOutGetVolume(WaveHandle handle, uint32_t* volume);
uint32_t WaveOutSetVolume(WaveHandle handle, uint32_t volume);
// The output latency the stream reports, in seconds.
uint32_t WaveOutGetLatency(WaveHandle handle, double* seconds);

// --- input ---
// Queued buffers are filled only between Start and Stop/Reset.
uint32_t WaveInOpen(WaveHandle* handle, int deviceIndex, const WaveFormat& format,
                    WaveNotify notify);
uint32_t WaveInPrepareHeader(WaveHandle handle, WaveHeader* header);
uint32_t WaveInUnprepareHeader(WaveHandle handle, WaveHeader* header);
uint32_t WaveInAddBuffer(WaveHandle handle, WaveHeader* header);
uint32_t WaveInStart(WaveHandle handle);
// Stop hands back the buffer being filled (partly filled) and keeps the
// others queued; Reset hands back all of them.
uint32_t WaveInStop(WaveHandle handle);
uint32_t WaveInReset(WaveHandle handle);
uint32_t WaveInClose(WaveHandle handle);

// Names of the devices of each direction, in index order, for the settings
// dialog: the system's default device (the one the desktop's sound server
// serves) is index 0, under the name the audio system gives it, then the
// other devices. Empty when there are none or the audio system cannot
// start. Index -1 opens the default device too.
std::vector<std::string> WaveOutDeviceNames();
std::vector<std::string> WaveInDeviceNames();

// A device closed from its own notification finishes its thread after the
// notification returns. This waits for such threads; programs and tests
// call it before they tear down what the notifications used.
void WaveWaitForClosedDevices();

}  // namespace platform
